#include "Platform/Widgets/DesktopColorScheme.hpp"

#include "Platform/Text/AsciiCase.hpp"

#include <gtk/gtk.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace tvk::widgets {

namespace {

constexpr char portalName[] = "org.freedesktop.portal.Desktop";
constexpr char portalPath[] = "/org/freedesktop/portal/desktop";
constexpr char settingsInterface[] = "org.freedesktop.portal.Settings";
constexpr char appearanceNamespace[] = "org.freedesktop.appearance";
constexpr char colorSchemeKey[] = "color-scheme";

bool namesDarkVariant(std::string name)
{
    name = asciiLowercased(name);
    return name.ends_with("-dark") || name.ends_with(":dark");
}

/// The portal's answer: 1 prefers dark, 2 prefers light, 0 (or anything else) no preference.
/// `Read` wraps the value in one variant more than the signal does.
std::optional<ui::ColorScheme> schemeOfPortalValue(GVariant* value)
{
    while (value && g_variant_is_of_type(value, G_VARIANT_TYPE_VARIANT)) {
        GVariant* inner = g_variant_get_variant(value);
        g_variant_unref(inner);
        value = inner;
    }
    if (!value || !g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32))
        return std::nullopt;
    switch (g_variant_get_uint32(value)) {
    case 1: return ui::ColorScheme::dark;
    case 2: return ui::ColorScheme::light;
    default: return std::nullopt;
    }
}

}

class DesktopColorScheme::State : public std::enable_shared_from_this<DesktopColorScheme::State> {
public:
    explicit State(std::function<void()> changed)
        : changed(std::move(changed))
    {
    }

    void start()
    {
        settings = gtk_settings_get_default();
        gboolean prefersDark = false;
        g_object_get(settings, "gtk-application-prefer-dark-theme", &prefersDark, nullptr);
        userPrefersDark = prefersDark;
        themeHandler = g_signal_connect(settings, "notify::gtk-theme-name", G_CALLBACK(&State::gtkSettingChanged), this);
        preferHandler = g_signal_connect(settings, "notify::gtk-application-prefer-dark-theme", G_CALLBACK(&State::gtkSettingChanged), this);

        cancellable = g_cancellable_new();
        bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        if (bus) {
            signalSubscription = g_dbus_connection_signal_subscribe(bus, portalName, settingsInterface, "SettingChanged", portalPath,
                appearanceNamespace, G_DBUS_SIGNAL_FLAGS_NONE, &State::portalSettingChanged, this, nullptr);
            // Asked without waiting: the window shows at once with the GTK theme's look and
            // changes when the portal answers.
            auto* self = new std::weak_ptr<State>(weak_from_this());
            g_dbus_connection_call(bus, portalName, portalPath, settingsInterface, "Read",
                g_variant_new("(ss)", appearanceNamespace, colorSchemeKey), nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, 2000, cancellable,
                &State::portalAnswered, self);
        }
        apply();
    }

    void stop()
    {
        if (cancellable) {
            g_cancellable_cancel(cancellable);
            g_clear_object(&cancellable);
        }
        if (bus) {
            g_dbus_connection_signal_unsubscribe(bus, signalSubscription);
            g_clear_object(&bus);
        }
        if (settings) {
            g_signal_handler_disconnect(settings, themeHandler);
            g_signal_handler_disconnect(settings, preferHandler);
            settings = nullptr;
        }
    }

    ui::ColorScheme fromGtkTheme() const
    {
        if (const char* theme = std::getenv("GTK_THEME"); theme && namesDarkVariant(theme))
            return ui::ColorScheme::dark;
        gchar* name = nullptr;
        g_object_get(settings, "gtk-theme-name", &name, nullptr);
        bool dark = name && namesDarkVariant(name);
        g_free(name);
        return dark || userPrefersDark ? ui::ColorScheme::dark : ui::ColorScheme::light;
    }

    ui::ColorScheme current() const { return portalScheme.value_or(fromGtkTheme()); }

    /// Tells the window chrome and the owner; the chrome's setting is the host's own from here
    /// on, so its own change is not taken for the user's.
    void apply()
    {
        ui::ColorScheme scheme = current();
        gboolean wanted = scheme == ui::ColorScheme::dark;
        gboolean now = false;
        g_object_get(settings, "gtk-application-prefer-dark-theme", &now, nullptr);
        if (now != wanted) {
            settingOwnPreference = true;
            g_object_set(settings, "gtk-application-prefer-dark-theme", wanted, nullptr);
            settingOwnPreference = false;
        }
        if (!shown || *shown != scheme) {
            shown = scheme;
            if (changed)
                changed();
        }
    }

    static void gtkSettingChanged(GObject* object, GParamSpec* property, gpointer data)
    {
        auto* state = static_cast<State*>(data);
        if (state->settingOwnPreference)
            return;
        if (g_strcmp0(property->name, "gtk-application-prefer-dark-theme") == 0) {
            gboolean prefersDark = false;
            g_object_get(object, "gtk-application-prefer-dark-theme", &prefersDark, nullptr);
            state->userPrefersDark = prefersDark;
        }
        state->apply();
    }

    static void portalSettingChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters, gpointer data)
    {
        const gchar* nameSpace = nullptr;
        const gchar* key = nullptr;
        GVariant* value = nullptr;
        g_variant_get(parameters, "(&s&sv)", &nameSpace, &key, &value);
        auto* state = static_cast<State*>(data);
        if (g_strcmp0(nameSpace, appearanceNamespace) == 0 && g_strcmp0(key, colorSchemeKey) == 0) {
            state->portalScheme = schemeOfPortalValue(value);
            state->apply();
        }
        if (value)
            g_variant_unref(value);
    }

    static void portalAnswered(GObject* source, GAsyncResult* result, gpointer data)
    {
        std::unique_ptr<std::weak_ptr<State>> weak(static_cast<std::weak_ptr<State>*>(data));
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
        if (!reply)
            return; // No portal on this desktop: the GTK theme decides.
        auto state = weak->lock();
        if (state) {
            GVariant* value = nullptr;
            g_variant_get(reply, "(v)", &value);
            state->portalScheme = schemeOfPortalValue(value);
            if (value)
                g_variant_unref(value);
            state->apply();
        }
        g_variant_unref(reply);
    }

    std::function<void()> changed;
    GtkSettings* settings = nullptr;
    gulong themeHandler = 0;
    gulong preferHandler = 0;
    GDBusConnection* bus = nullptr;
    guint signalSubscription = 0;
    GCancellable* cancellable = nullptr;
    bool userPrefersDark = false;
    bool settingOwnPreference = false;
    std::optional<ui::ColorScheme> portalScheme;
    std::optional<ui::ColorScheme> shown;
};

DesktopColorScheme::DesktopColorScheme(std::function<void()> changed)
    : m_state(std::make_shared<State>(std::move(changed)))
{
    m_state->start();
}

DesktopColorScheme::~DesktopColorScheme()
{
    m_state->stop();
}

ui::ColorScheme DesktopColorScheme::current() const
{
    return m_state->current();
}

}
