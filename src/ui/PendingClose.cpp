#include "ui/PendingClose.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#if defined(_WIN32)
#include <windows.h>
#elif defined(KESTROVE_HAVE_XCB)
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#endif

namespace kv {

namespace {

#if !defined(_WIN32) && defined(KESTROVE_HAVE_XCB)
xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 1, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}
#endif

}  // namespace

TPendingClose::TPendingClose(QWidget& window) : QObject(&window), Window_(window) {
  Retry_.setInterval(50);
  connect(&Retry_, &QTimer::timeout, this, &TPendingClose::CloseWhenFree);
  QCoreApplication::instance()->installNativeEventFilter(this);
}

TPendingClose::~TPendingClose() { QCoreApplication::instance()->removeNativeEventFilter(this); }

void TPendingClose::Request() {
  if (!QGuiApplication::modalWindow()) {
    Retry_.stop();
    Window_.close();
    return;
  }
  Retry_.start();
}

void TPendingClose::CloseWhenFree() {
  if (QGuiApplication::modalWindow() || !Window_.isVisible()) {
    if (!Window_.isVisible()) Retry_.stop();
    return;
  }
  Retry_.stop();
  Window_.close();
}

bool TPendingClose::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  // Only the messages Qt would drop: those for a window a modal one blocks.
  if (QGuiApplication::modalWindow() && Window_.isVisible() && IsCloseMessage(eventType, message)) Request();
  return false;
}

bool TPendingClose::IsCloseMessage([[maybe_unused]] const QByteArray& eventType,
                                   [[maybe_unused]] void* message) const {
#if defined(_WIN32)
  const MSG* msg = static_cast<const MSG*>(message);
  const bool close = msg->message == WM_CLOSE || (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == SC_CLOSE);
  return close && msg->hwnd == reinterpret_cast<HWND>(Window_.winId());
#elif defined(KESTROVE_HAVE_XCB)
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) return false;
  const auto* client = static_cast<const xcb_client_message_event_t*>(message);
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || client->window != static_cast<xcb_window_t>(Window_.winId()) || client->format != 32) return false;
  static const xcb_atom_t protocols = Atom(x11->connection(), "WM_PROTOCOLS");
  static const xcb_atom_t deleteWindow = Atom(x11->connection(), "WM_DELETE_WINDOW");
  return client->type == protocols && client->data.data32[0] == deleteWindow;
#else
  return false;
#endif
}

}  // namespace kv
