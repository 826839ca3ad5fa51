#include "info/updatewindow.h"

#include <QUrl>

#include "info/openaddress.h"
#include "info/site.h"
#include "platform/system/application.h"
#include "platform/controls/pushbutton.h"
#include "platform/controls/progressbar.h"
#include "platform/controls/statictext.h"
#include "platform/system/strings.h"
#include "platform/dialogs/uiservice.h"

using namespace fw;

void updateWindow::hp::Constructor() { HTTPSocket::Constructor(); }

void updateWindow::hp::SetWindow(fw::Window* w) {
  ownerWindow = w;
  setParent(w);
  connect(w, &fw::Window::Closed, this, &HTTPSocket::Disconnect);
}

updateWindow::updateWindow() : Window(QStringLiteral("updateWindow")) {}

updateWindow* updateWindow::updateWindow_() { return ImplicitWindow<updateWindow>(QStringLiteral("updateWindow")); }

void updateWindow::Layout() {
  WindowProperties p = FixedWindow(QStringLiteral("Update"), 300, 120);
  p.Frame = 1;
  p.MinimizeButton = true;
  SetProperties(p);
}

void updateWindow::CreateControls() { CreateControls0(); }

void updateWindow::CreateControls0() {
  auto* status = New<StaticText>("StaticText1", TabStopAt(20, 19, 266, 20, false, 0, QStringLiteral("Arial"), 12));
  status->SetText(QStringLiteral("Checking for update..."));

  auto* bar = New<ProgressBar>("ProgressBar1", TabStopAt(20, 46, 260, 12, false, 1));
  bar->SetMaximum(100);
  bar->SetValue(0);

  hp_ = new hp;
  hp_->setObjectName(QStringLiteral("hp"));
  hp_->Constructor();
  hp_->SetWindow(this);
  hp_->InstallPageReceivedHandler(
      [this](const QString& url, int32_t httpStatus, const InternetHeaders& headers, const QString& content) {
        hp_PageReceived(url, httpStatus, headers, content);
      });
  hp_->InstallErrorHandler([this](int32_t code) { hp_Error(code); });

  auto* cancel = New<PushButton>("PushButton1", TabStopAt(208, 80, 72, 20, false, 3));
  cancel->SetCaption(QStringLiteral("Cancel"));
  cancel->SetDefault(true);
  cancel->SetCancel(true);
  cancel->InstallHandler("Action", [this] { PushButton1_Action(); });
}

void updateWindow::Event_Open() {
  Control<ProgressBar>(QStringLiteral("ProgressBar1")).SetMaximum(0);
  hp_->Get(Site::UpdateFileURL());
  // Only the open version window: asking its accessor would make one.
  if (Window* version = GetImplicitWindow(QStringLiteral("selfTest"))) version->Close();
}

void updateWindow::PushButton1_Action() { Close(); }

void updateWindow::hp_Error(int32_t code) {
  Beep();
  MsgBox(QStringLiteral("There was a communication error ") + QStringLiteral("with the website. Please try ") +
         QStringLiteral("again later. (Code: ") + Str(static_cast<int>(code)) + QStringLiteral(")"));
  Close();
}

void updateWindow::hp_PageReceived(const QString&, int32_t, const InternetHeaders&, const QString& content) {
  if (content.isEmpty()) {
    Close();
    return;
  }
  const QString version = returnValue(content, QStringLiteral("CurrentVersion"));
  const QString description = returnValue(content, QStringLiteral("Description"));
  const bool free = StrEq(returnValue(content, QStringLiteral("Free")), QStringLiteral("Yes"));
  const QString download = returnValue(content, QStringLiteral("DownloadURLOSX"));

  Control<ProgressBar>(QStringLiteral("ProgressBar1")).SetVisible(false);

  if (isRunningVersion(version)) {
    StaticText& status = Control<StaticText>(QStringLiteral("StaticText1"));
    status.SetText(QStringLiteral("This version is current."));
    status.Refresh(true);
    if (!automaticCheck) MsgBox(QStringLiteral("You are using the current version. No update is available."));
    Close();
  } else {
    askUpgrade(version, description, download, free);
  }
}

QString updateWindow::startTag(const QString& name) { return QStringLiteral("<") + name + QStringLiteral(">"); }
QString updateWindow::endTag(const QString& name) { return QStringLiteral("</") + name + QStringLiteral(">"); }

QString updateWindow::returnValue(const QString& source, const QString& tag) {
  const QString start = startTag(tag);
  const QString end = endTag(tag);
  const int s = InStr(source, start);
  const int p = s + Len(start);
  const int e = InStr(p, source, end);
  // With no end tag the length is negative, which Mid takes as "to the end".
  return Mid(source, p, e - p);
}

bool updateWindow::isRunningVersion(const QString& version) {
  const Application& app = Application::Running();
  const int running[] = {app.MajorVersion, app.MinorVersion, app.BugVersion};
  for (int field = 1; field <= 3; ++field)
    if (Val(NthField(version, QStringLiteral("."), field)) != static_cast<double>(running[field - 1])) return false;
  return true;
}

bool updateWindow::isWebAddress(const QString& address) {
  const QUrl url(address, QUrl::StrictMode);
  return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
         !url.host().isEmpty();
}

void updateWindow::askUpgrade(const QString& version, const QString& description, const QString& download, bool free) {
  MessageDialogOptions d;
  d.Title = QStringLiteral("New version available!");
  d.Message = QStringLiteral("Version ") + version + QStringLiteral(" is now available. ");
  d.Message += QStringLiteral("(You are using version ") + Application::Running().ShortVersion + QStringLiteral(".) ");
  if (free) {
    d.Message += QStringLiteral("This is a free upgrade. ");
    d.Message += QStringLiteral("Would you like to automatically download ");
    d.Message += QStringLiteral("this update (using your web browser)?");
  } else {
    d.Message += QStringLiteral("This is a paid upgrade. ");
    d.Message += QStringLiteral("Would you like to automatically download ");
    d.Message += QStringLiteral("the trial version (using your web browser)?");
  }
  d.Explanation = description;
  d.CancelVisible = true;
  d.AlternateCaption = QStringLiteral("Go to Website");
  d.AlternateVisible = true;
  d.Icon = 3;

  switch (UiService::Current().ShowMessageDialog(d)) {
    case MessageDialogButton::Cancel:
      Close();
      break;
    case MessageDialogButton::Action:
      // The address comes from a plain-HTTP reply: only a web address goes to the browser, never a
      // file, a program's custom scheme or a script.
      if (isWebAddress(download)) Address::Open(download);
      else MsgBox(QStringLiteral("The update file's download address is not a web address, so it was not opened."));
      Close();
      break;
    case MessageDialogButton::Alternate:
      Address::Open(Site::WebSiteURL());
      break;
  }
}
