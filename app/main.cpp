#include <QApplication>

#include "app/startup.h"

int main(int argc, char** argv) {
  QApplication qtApp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tavrin"));
  return Main();
}
