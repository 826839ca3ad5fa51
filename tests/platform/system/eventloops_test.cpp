// Nested event loops (a modal window, a message box, the colour dialog) and the real dialogs'
// texts: an exception in a handler that such a loop runs ends the program at the loop, never
// unwinding through Qt; every text of a message box is shown as the plain text it is.

#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <memory>
#include <stdexcept>

#include "failurereset.h"
#include "platform/system/application.h"
#include "platform/controls/pushbutton.h"
#include "scripteduiservice.h"
#include "platform/dialogs/qtuiservice.h"
#include "platform/dialogs/uiservice.h"
#include "platform/controls/window.h"

namespace {

QStringList g_warnings;
void RecordWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtDebugMsg && type != QtInfoMsg) g_warnings << message;
}

// Answers the real dialogs as a user would: records what each shows and closes it. Dialogs that
// `wait` says to leave alone stay open (the one whose loop the test is about).
class DialogCloser {
 public:
  explicit DialogCloser(std::function<bool(QWidget*)> wait = [](QWidget*) { return false; }) : wait_(std::move(wait)) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
    timer_.start();
  }
  QStringList texts;
  QList<Qt::TextFormat> formats;  // of every label with text in the boxes closed

 private:
  void Look() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || (wait_(w) && ++patience_ < 200)) return;
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
      texts << box->text() + u'|' + box->informativeText();
      for (QLabel* l : box->findChildren<QLabel*>())
        if (!l->text().isEmpty()) formats << l->textFormat();
    }
    if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
    else w->close();
  }
  std::function<bool(QWidget*)> wait_;
  QTimer timer_;
  int patience_ = 0;
};

class EventLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fw::WindowProperties p;
    p.Width = 300;
    p.Height = 200;
    win_ = std::make_unique<fw::Window>("LoopWindow");
    win_->SetProperties(p);
    outer_ = win_->New<fw::PushButton>("Outer", fw::PlacedAt(10, 10, 80, 20));
    inner_ = win_->New<fw::PushButton>("Inner", fw::PlacedAt(100, 10, 80, 20));
    inner_->InstallHandler("Action", fw::ActionHandler([] { throw std::runtime_error("boom inside the loop"); }));
    win_->Show();
    ResetFailure();
    g_warnings.clear();
    previousHandler_ = qInstallMessageHandler(RecordWarnings);
  }
  void TearDown() override {
    qInstallMessageHandler(previousHandler_);
    if (real_) fw::UiService::Install(std::move(scripted_));
    win_.reset();
    ResetFailure();
    static_cast<fw::ScriptedUiService&>(fw::UiService::Current()).Clear();
  }
  void UseRealDialogs() {
    scripted_ = fw::UiService::Install(std::make_unique<fw::QtUiService>());
    real_ = true;
  }

  std::unique_ptr<fw::Window> win_;
  fw::PushButton* outer_ = nullptr;
  fw::PushButton* inner_ = nullptr;
  std::unique_ptr<fw::UiService> scripted_;
  bool real_ = false;
  QtMessageHandler previousHandler_ = nullptr;
};

TEST_F(EventLoopTest, ExceptionInAHandlerOfANestedLoopEndsTheProgramThere) {
  const struct {
    const char* loop;
    bool realDialogs;
    std::function<void(fw::Window&)> run;
  } cases[] = {
      {"a modal window", false,
       [](fw::Window& modal) { modal.ShowModal(); }},
      {"a message box", true,
       [](fw::Window&) { fw::MsgBox("Are you sure?", 4, QString()); }},
      {"the colour dialog", true,
       [](fw::Window&) {
         fw::Color c = fw::kBlack;
         fw::SelectColor(c, "Select a Text Color");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.loop);
    if (c.realDialogs) UseRealDialogs();
    auto* modal = new fw::Window("ModalWindow");
    fw::WindowProperties p;
    p.Frame = 1;
    modal->SetProperties(p);
    modal->Constructor();
    const QPointer<fw::Window> modalAlive(modal);
    // The report of the failure is closed; the dialog whose loop runs the failing handler is not.
    DialogCloser closer([](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      return !(box && box->text().contains("unexpected error"));
    });
    bool afterLoop = false;
    outer_->InstallHandler("Action", fw::ActionHandler([&] {
                             QTimer::singleShot(0, [this] { inner_->Push(); });
                             c.run(*modal);
                             afterLoop = true;
                           }));
    outer_->Push();

    EXPECT_TRUE(fw::HasFailed());
    EXPECT_FALSE(afterLoop) << "the handler that opened the loop went on as if its dialog had been answered";
    const QStringList reports =
        c.realDialogs ? closer.texts : static_cast<fw::ScriptedUiService&>(fw::UiService::Current()).Messages();
    ASSERT_EQ(reports.size(), 1) << reports.join("\n").toStdString();
    EXPECT_TRUE(reports.first().contains("boom inside the loop")) << reports.first().toStdString();
    for (const QString& w : g_warnings) EXPECT_FALSE(w.contains("exception", Qt::CaseInsensitive)) << w.toStdString();
    if (modalAlive) modalAlive->Close();  // after the failure too, closing finds no loop gone stale
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (c.realDialogs) {
      fw::UiService::Install(std::move(scripted_));
      real_ = false;
    }
    static_cast<fw::ScriptedUiService&>(fw::UiService::Current()).Clear();
    ResetFailure();
  }
}

// Qt guesses rich text by default: a Section named "<b>x</b>" would show bold in the Delete
// question.
TEST_F(EventLoopTest, MessageBoxesShowTheirTextsAsPlainText) {
  UseRealDialogs();
  const QString name = "<b>x</b>";
  const struct {
    const char* what;
    std::function<void()> show;
  } cases[] = {
      {"plain message box", [&] { fw::MsgBox("The file " + name + " could not be saved"); }},
      {"Yes/No question", [&] { fw::MsgBox("Delete the Section named " + name + "?", 308, "<i>title</i>"); }},
      {"message dialog", [&] {
         fw::MessageDialogOptions o;
         o.Message = "<h1>" + name + "</h1>";
         o.Explanation = "<a href=\"http://x\">" + name + "</a>";
         fw::UiService::Current().ShowMessageDialog(o);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DialogCloser closer;
    c.show();
    ASSERT_EQ(closer.texts.size(), 1);
    EXPECT_TRUE(closer.texts.first().contains(name));
    ASSERT_FALSE(closer.formats.isEmpty());
    for (Qt::TextFormat f : closer.formats) EXPECT_EQ(f, Qt::PlainText);
  }
}

}  // namespace
