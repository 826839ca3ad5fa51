#include "info/aboutbox.h"

#include "app/sitesettings.h"
#include "info/openaddress.h"
#include "info/site.h"
#include "platform/system/application.h"
#include "platform/controls/pushbutton.h"
#include "platform/controls/statictext.h"

using namespace fw;

AboutBox::AboutBox() : Window(QStringLiteral("AboutBox")) {}

AboutBox* AboutBox::AboutBox_() { return ImplicitWindow<AboutBox>(QStringLiteral("AboutBox")); }

QString AboutBox::AuthorMailURL() { return QStringLiteral("mailto:" TAVRIN_AUTHOR_MAIL); }
QString AboutBox::WebSiteURL() { return Site::WebSiteURL(); }

void AboutBox::Layout() {
  SetProperties(FixedWindow(QStringLiteral("About..."), 264, 258));
}

void AboutBox::CreateControls() { CreateControls0(); }

void AboutBox::CreateControls0() {
  auto* mail = New<PushButton>("PushButton1", TabStopAt(72, 180, 120, 21, true, 0));
  mail->SetCaption(QStringLiteral("Email Author"));
  mail->SetDefault(false);
  mail->SetCancel(false);
  mail->InstallHandler("Action", [this] { PushButton1_Action(); });

  auto* site = New<PushButton>("PushButton2", TabStopAt(72, 217, 120, 21, true, 1));
  site->SetCaption(QStringLiteral("Visit Web Site"));
  site->SetDefault(false);
  site->SetCancel(false);
  site->InstallHandler("Action", [this] { PushButton2_Action(); });

  auto* credits = New<StaticText>("StaticText2", TabStopAt(80, 86, 104, 87, false, 2));
  credits->SetMultiline(true);
  credits->SetTextAlign(1);
  credits->SetText(QStringLiteral("Developed by\nThe Tavrin team\n\nSr. Beta Tester\nTavrin testers"));

  auto* name = New<StaticText>("StaticText1", TabStopAt(20, 20, 224, 45, true, 3, QStringLiteral("Arial"), 30));
  name->SetTextAlign(1);
  name->SetText(QStringLiteral("Tavrin"));

  auto* versionLabel = New<StaticText>("StaticText3",
      TabStopAt(77, 60, 56, 20, true, 4, QStringLiteral("Arial"), 12));
  versionLabel->SetTextAlign(0);
  versionLabel->SetText(QStringLiteral("Version:"));

  auto* version = New<StaticText>("StaticText4",
      TabStopAt(128, 60, 59, 20, true, 5, QStringLiteral("Arial"), 12));
  version->SetTextAlign(2);
  version->SetText(QStringLiteral("1.7.0 Intel"));
  version->InstallHandler("Open", [this] { StaticText4_Open(); });
}

void AboutBox::PushButton1_Action() { Address::Open(AuthorMailURL()); }

void AboutBox::PushButton2_Action() { Address::Open(WebSiteURL()); }

void AboutBox::StaticText4_Open() {
  Control<StaticText>(QStringLiteral("StaticText4"))
      .SetText(Application::Running("the application object").LongVersion);
}
