#include "platform/printing/printersetup.h"

#include <QHash>
#include <QPrinter>
#include <QStringList>

#include "platform/printing/printergraphics.h"
#include "platform/dialogs/uiservice.h"

namespace fw {

namespace {
// "TavrinPageSetup/1" followed by key=value fields separated by ";"; sizes and margins in points.
const QString kTag = QStringLiteral("TavrinPageSetup/1");

QString Number(qreal v) { return QString::number(v, 'g', 10); }
}  // namespace

PrinterSetup::PrinterSetup() : layout_(QPrinter(QPrinter::HighResolution).pageLayout()) {}

QString PrinterSetup::SetupString() const {
  const QPageSize size = layout_.pageSize();
  const QSizeF points = size.size(QPageSize::Point);
  const QMarginsF m = layout_.margins(QPageLayout::Point);
  QStringList fields = {kTag,
                        QStringLiteral("size=") + QString::number(static_cast<int>(size.id())),
                        QStringLiteral("name=") + QString(size.name()).remove(u';'),
                        QStringLiteral("width=") + Number(points.width()),
                        QStringLiteral("height=") + Number(points.height()),
                        QStringLiteral("orientation=") +
                            (layout_.orientation() == QPageLayout::Landscape ? QStringLiteral("landscape")
                                                                             : QStringLiteral("portrait")),
                        QStringLiteral("margins=") + QStringList{Number(m.left()), Number(m.top()), Number(m.right()),
                                                                 Number(m.bottom())}
                                                         .join(u','),
                        QStringLiteral("units=") + QString::number(static_cast<int>(layout_.units()))};
  return fields.join(u';');
}

void PrinterSetup::SetSetupString(const QString& s) {
  const QStringList fields = s.split(u';');
  if (fields.value(0) != kTag) return;
  QHash<QString, QString> values;
  for (const QString& f : fields.mid(1)) {
    const qsizetype eq = f.indexOf(u'=');
    if (eq > 0) values.insert(f.left(eq), f.mid(eq + 1));
  }
  bool okId = false, okW = false, okH = false;
  const int id = values.value(QStringLiteral("size")).toInt(&okId);
  const qreal w = values.value(QStringLiteral("width")).toDouble(&okW);
  const qreal h = values.value(QStringLiteral("height")).toDouble(&okH);
  QPageSize size;
  if (okId && id >= 0 && id < QPageSize::LastPageSize && id != QPageSize::Custom)
    size = QPageSize(static_cast<QPageSize::PageSizeId>(id));
  else if (okW && okH && w > 0 && h > 0)
    size = QPageSize(QSizeF(w, h), QPageSize::Point, values.value(QStringLiteral("name")), QPageSize::ExactMatch);
  if (!size.isValid()) return;
  const QStringList m = values.value(QStringLiteral("margins")).split(u',');
  QMarginsF margins;
  if (m.size() == 4) margins = QMarginsF(m[0].toDouble(), m[1].toDouble(), m[2].toDouble(), m[3].toDouble());
  const QPageLayout::Orientation orientation = values.value(QStringLiteral("orientation")) == QLatin1String("landscape")
                                                   ? QPageLayout::Landscape
                                                   : QPageLayout::Portrait;
  QPageLayout layout(size, orientation, margins, QPageLayout::Point);
  bool okUnits = false;
  const int units = values.value(QStringLiteral("units")).toInt(&okUnits);
  if (okUnits && units >= QPageLayout::Millimeter && units <= QPageLayout::Cicero)
    layout.setUnits(static_cast<QPageLayout::Unit>(units));
  if (layout.isValid()) layout_ = layout;
}

bool PrinterSetup::PageSetupDialog(Window*) { return UiService::Current().PageSetupDialog(layout_); }

std::unique_ptr<PrinterGraphics> OpenPrinterDialog(const PrinterSetup* setup, Window*) {
  std::unique_ptr<QPrinter> printer = UiService::Current().PrintDialog(setup ? &setup->PageLayout() : nullptr);
  if (!printer) return nullptr;
  return std::make_unique<PrinterGraphics>(std::move(printer));
}

}  // namespace fw
