// A close asked for while a modal dialog blocks the main window. Qt drops the
// window manager's close message for a blocked window, so a user who closes
// the window while the folder chooser is still going away finds it open, the
// scan running, and the close forgotten. This remembers such a request and
// carries it out as soon as no modal window is left (not at once: the code
// that opened the dialog still runs and expects the window after it).
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QTimer>

class QWidget;

namespace kv {

class TPendingClose final : public QObject, public QAbstractNativeEventFilter {
 public:
  explicit TPendingClose(QWidget& window);
  ~TPendingClose() override;

  // A close request for the window: carried out now when nothing blocks it,
  // else once the last modal window is gone.
  void Request();
  bool Pending() const { return Retry_.isActive(); }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  bool IsCloseMessage(const QByteArray& eventType, void* message) const;
  void CloseWhenFree();

  QWidget& Window_;
  QTimer Retry_;
};

}  // namespace kv
