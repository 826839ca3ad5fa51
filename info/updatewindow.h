#pragma once
// The update window: fetches the update file from the maker's server, compares the version on
// offer with the running one, and reports that it is current or offers the upgrade. Shown
// modally; one window per check.

#include <QPointer>
#include <cstdint>

#include "platform/network/httpsocket.h"
#include "platform/controls/window.h"

class updateWindow : public fw::Window {
  Q_OBJECT
 public:
  // The socket control: an HTTPSocket placed on its window, which it goes with. Once the window
  // has closed, its request is stopped, so no reply or error is evaluated for a closed window.
  class hp : public fw::HTTPSocket {
   public:
    void Constructor() override;
    void SetWindow(fw::Window* w);
    fw::Window* Window() const { return ownerWindow; }
    int32_t Index = -1;
    int32_t GetIndex() const { return Index; }
    void SetIndex(int32_t i) { Index = i; }

   private:
    QPointer<fw::Window> ownerWindow;
  };

  updateWindow();
  // The open update window, or a new one. (Named after its class; see Window1::Window1_.)
  static updateWindow* updateWindow_();

  // While True, a reply showing the running version to be current closes the window silently.
  bool automaticCheck = false;

  void hp_PageReceived(const QString& url, int32_t httpStatus, const fw::InternetHeaders& headers, const QString& content);
  void hp_Error(int32_t code);
  void PushButton1_Action();
  void Event_Open() override;

  static QString startTag(const QString& name);
  static QString endTag(const QString& name);
  void askUpgrade(const QString& version, const QString& description, const QString& download, bool free);
  // The text between the first start tag of `tag` in `source` and the next end tag after it.
  static QString returnValue(const QString& source, const QString& tag);

  // Whether a "CurrentVersion" value names the running version: its first three "."-fields read
  // as numbers equal the running major, minor and bug-fix numbers.
  static bool isRunningVersion(const QString& version);
  // Whether the download address from the update file may be handed to the browser: an http or
  // https address with a host.
  static bool isWebAddress(const QString& address);

  hp& Socket() const { return *hp_; }

 protected:
  void Layout() override;
  void CreateControls() override;

 private:
  void CreateControls0();
  hp* hp_ = nullptr;
};
