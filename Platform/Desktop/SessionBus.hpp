#pragma once

// Internal to Platform/Desktop: the process's connection to the D-Bus session bus, shared by
// the running-application lookup and the distributed notification centre.

typedef struct _GDBusConnection GDBusConnection;

namespace tvk {

class SessionBus {
public:
    /// A new reference to GIO's shared session-bus connection (release it with
    /// `g_object_unref`), or null when there is no session bus; the failure is logged with
    /// `purpose` ("cannot look up running applications"). A later call tries again.
    static GDBusConnection* connection(const char* purpose);

    /// How long a synchronous call to the bus daemon may take before it is given up, in
    /// milliseconds. The daemon answers in microseconds; a wedged bus must not hang a program
    /// at login.
    static constexpr int callTimeoutMilliseconds = 5000;
};

}
