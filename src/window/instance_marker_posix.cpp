// The Linux marker: a QLocalServer on the window-class socket, and logind's
// sleep signal for the power events.
#include <QLocalServer>
#include <QLocalSocket>

#ifdef BRENVIK_HAVE_DBUS
#include <QDBusConnection>
#endif

#include "datastore/startup/startup.h"
#include "platform/posix/posix_system.h"
#include "window/instance_marker.h"

namespace brenvik {
namespace {

bool SomeoneListens(const QString& path) {
  QLocalSocket probe;
  probe.connectToServer(path);
  return probe.waitForConnected(200);
}

class PosixInstanceMarker : public InstanceMarker {
  Q_OBJECT

 public:
  PosixInstanceMarker(const std::string& folder, PowerHandler onPower)
      : onPower_(std::move(onPower)) {
    const QString path = QString::fromStdString(MainWindowSocketPath(folder, kMainWindowClass));
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by a copy that crashed answers nobody: replace it.
    if (!server_.listen(path) && !SomeoneListens(path)) {
      QLocalServer::removeServer(path);
      server_.listen(path);
    }
    connect(&server_, &QLocalServer::newConnection, this, [this] {
      while (QLocalSocket* client = server_.nextPendingConnection()) {
        client->disconnectFromServer();
        client->deleteLater();
      }
    });
#ifdef BRENVIK_HAVE_DBUS
    QDBusConnection::systemBus().connect("org.freedesktop.login1", "/org/freedesktop/login1",
                                         "org.freedesktop.login1.Manager", "PrepareForSleep", this,
                                         SLOT(PrepareForSleep(bool)));
#endif
  }

  bool IsFindable() const override { return server_.isListening(); }

 public slots:
  void PrepareForSleep(bool start) { onPower_(start ? kPowerSuspend : kPowerResumeSuspend); }

 private:
  QLocalServer server_;
  PowerHandler onPower_;
};

}  // namespace

std::unique_ptr<InstanceMarker> InstanceMarker::Create(const std::string& folder,
                                                       PowerHandler onPower) {
  return std::make_unique<PosixInstanceMarker>(folder, std::move(onPower));
}

}  // namespace brenvik

#include "instance_marker_posix.moc"
