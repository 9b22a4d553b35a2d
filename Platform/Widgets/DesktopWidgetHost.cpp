#include "Platform/Widgets/DesktopWidgetHost.hpp"

#include "Platform/CommandLine/JsonPrinting.hpp"
#include "Platform/Defaults/UserDefaults.hpp"
#include "Platform/Desktop/Workspace.hpp"
#include "Platform/Runtime/FileReplacement.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Widgets/DesktopColorScheme.hpp"
#include "Platform/Widgets/WidgetContainer.hpp"
#include "Platform/Widgets/WidgetHost.hpp"

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <utility>

namespace tvk::widgets {

namespace {

/// Space around and between the cards, in points.
constexpr int cardSpacing = 16;

nlohmann::json rectJson(double x, double y, double width, double height)
{
    return { x, y, width, height };
}

class Host;

struct Card {
    Host* host = nullptr;
    size_t index = 0;
    GtkWidget* area = nullptr;
    std::optional<ui::ViewLayout> layout;
    std::string accessibleLabel;
    /// The context menu, made on the first right click; a child of `area` until it goes.
    GtkWidget* menu = nullptr;
};

class Host {
public:
    Host(std::vector<WidgetConfiguration> configurations, DesktopWidgetHost::Options options)
        : m_configurations(std::move(configurations))
        , m_options(std::move(options))
    {
    }

    int run()
    {
        // GTK ends the process when it finds no display; this asks first.
        if (!gtk_init_check())
            return DesktopWidgetHost::noDisplay;
        const char* id = g_application_id_is_valid(m_options.applicationID.c_str()) ? m_options.applicationID.c_str() : nullptr;
        m_application = gtk_application_new(id, G_APPLICATION_DEFAULT_FLAGS);
        g_signal_connect_swapped(m_application, "startup", G_CALLBACK(+[](Host* host) { host->startup(); }), this);
        g_signal_connect_swapped(m_application, "activate", G_CALLBACK(+[](Host* host) { host->activate(); }), this);
        g_signal_connect_swapped(m_application, "shutdown", G_CALLBACK(+[](Host* host) { host->shutdown(); }), this);
        // The session ends the host with SIGTERM: quit through the loop, so that it ends as
        // when its window closes.
        guint terminate = g_unix_signal_add(SIGTERM, G_SOURCE_FUNC(+[](gpointer application) {
            g_application_quit(G_APPLICATION(application));
            return G_SOURCE_CONTINUE;
        }),
            m_application);
        char name[] = "TarvikWidgetHost";
        char* argv[] = { name, nullptr };
        int status = g_application_run(G_APPLICATION(m_application), 1, argv);
        g_source_remove(terminate);
        g_clear_object(&m_application);
        return status;
    }

private:
    void startup()
    {
        m_widgets = std::make_unique<WidgetHost>(m_configurations);
        m_widgets->setRedrawHandler([this](size_t index) {
            if (index < m_cards.size())
                gtk_widget_queue_draw(m_cards[index]->area);
        });
        m_scheme = std::make_unique<DesktopColorScheme>([this] {
            for (auto& card : m_cards)
                gtk_widget_queue_draw(card->area);
        });
        if (m_options.companion)
            m_companion = m_options.companion();
    }

    void shutdown()
    {
        m_companion.reset();
        releaseCards();
        m_widgets.reset();
        m_scheme.reset();
    }

    /// Before the window's widgets go: a card's menu is its own child, which GTK leaves to it.
    void releaseCards()
    {
        for (auto& card : m_cards) {
            if (card->menu)
                gtk_widget_unparent(card->menu);
        }
        m_cards.clear();
    }

    void activate()
    {
        if (!m_window)
            buildWindow();
        gtk_window_present(GTK_WINDOW(m_window));
    }

    void buildWindow()
    {
        m_window = gtk_application_window_new(m_application);
        gtk_window_set_title(GTK_WINDOW(m_window), m_options.title.c_str());
        gtk_window_set_resizable(GTK_WINDOW(m_window), false);
        m_box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, cardSpacing);
        gtk_widget_set_margin_start(m_box, cardSpacing);
        gtk_widget_set_margin_end(m_box, cardSpacing);
        gtk_widget_set_margin_top(m_box, cardSpacing);
        gtk_widget_set_margin_bottom(m_box, cardSpacing);
        gtk_window_set_child(GTK_WINDOW(m_window), m_box);
        g_signal_connect_swapped(m_window, "realize", G_CALLBACK(+[](Host* host) { host->realized(); }), this);
        g_signal_connect_swapped(m_window, "destroy", G_CALLBACK(+[](Host* host) {
            host->releaseCards();
            host->m_window = nullptr;
            host->m_box = nullptr;
            host->m_surface = nullptr;
            host->m_surfaceStateHandler = 0;
        }),
            this);
        g_signal_connect_swapped(m_window, "map", G_CALLBACK(+[](Host* host) { host->mapped(true); }), this);
        g_signal_connect_swapped(m_window, "unmap", G_CALLBACK(+[](Host* host) { host->mapped(false); }), this);
        addActions();
        m_widgets->setPlacements(DesktopWidgetHost::storedPlacements(m_options.defaultPlacements));
        buildCards();
    }

    /// The context menu's actions on the window: "win.add" (index to insert at, kind),
    /// "win.remove" (index) and "win.family" (index, family name).
    void addActions()
    {
        const GActionEntry entries[] = {
            { "add", &Host::addActivated, "(us)", nullptr, nullptr, {} },
            { "remove", &Host::removeActivated, "u", nullptr, nullptr, {} },
            { "family", &Host::familyActivated, "(us)", nullptr, nullptr, {} },
        };
        g_action_map_add_action_entries(G_ACTION_MAP(m_window), entries, G_N_ELEMENTS(entries), this);
    }

    static void addActivated(GSimpleAction*, GVariant* parameter, gpointer data)
    {
        guint32 index = 0;
        const gchar* kind = nullptr;
        g_variant_get(parameter, "(u&s)", &index, &kind);
        auto* host = static_cast<Host*>(data);
        const auto* configuration = host->m_widgets->configuration(kind);
        if (!configuration || configuration->supportedFamilies().empty())
            return;
        auto placements = host->m_widgets->placements();
        placements.insert(placements.begin() + std::min<size_t>(index, placements.size()), { kind, configuration->supportedFamilies().front() });
        host->changePlacements(std::move(placements));
    }

    static void removeActivated(GSimpleAction*, GVariant* parameter, gpointer data)
    {
        auto* host = static_cast<Host*>(data);
        auto placements = host->m_widgets->placements();
        guint32 index = g_variant_get_uint32(parameter);
        if (index >= placements.size())
            return;
        placements.erase(placements.begin() + index);
        host->changePlacements(std::move(placements));
    }

    static void familyActivated(GSimpleAction*, GVariant* parameter, gpointer data)
    {
        guint32 index = 0;
        const gchar* name = nullptr;
        g_variant_get(parameter, "(u&s)", &index, &name);
        auto* host = static_cast<Host*>(data);
        auto placements = host->m_widgets->placements();
        auto family = familyNamed(name);
        if (index >= placements.size() || !family)
            return;
        placements[index].family = *family;
        host->changePlacements(std::move(placements));
    }

    /// Keeps the new placements and shows them; the cards are made again once the menu that
    /// asked for it has gone.
    void changePlacements(std::vector<WidgetPlacement> placements)
    {
        if (auto kept = UserDefaults::standard().set(DesktopWidgetHost::placementsKey, WidgetPlacement::propertyList(placements)); !kept)
            PlatformLog::warning("WidgetHost", "cannot keep the placed widgets: " + kept.error().message);
        m_pendingPlacements = std::move(placements);
        g_idle_add_once(
            +[](gpointer data) {
                auto* host = static_cast<Host*>(data);
                if (!host->m_pendingPlacements || !host->m_widgets)
                    return;
                host->m_widgets->setPlacements(*host->m_pendingPlacements);
                host->m_pendingPlacements.reset();
                host->buildCards();
            },
            this);
    }

    std::string text(std::string_view key, std::string_view english) const
    {
        if (!m_options.strings)
            return std::string(english);
        std::string text = m_options.strings->localizedString(key);
        return text == key ? std::string(english) : text;
    }

    std::string familyLabel(WidgetFamily family) const
    {
        switch (family) {
        case WidgetFamily::systemSmall: return text("WidgetHost.family.small", "Small");
        case WidgetFamily::systemMedium: return text("WidgetHost.family.medium", "Medium");
        case WidgetFamily::systemLarge: return text("WidgetHost.family.large", "Large");
        case WidgetFamily::systemExtraLarge: return text("WidgetHost.family.extraLarge", "Extra Large");
        }
        return {};
    }

    static void secondaryPressed(GtkGestureClick* gesture, int, double x, double y, gpointer data)
    {
        auto* card = static_cast<Card*>(data);
        gtk_gesture_set_state(GTK_GESTURE(gesture), GTK_EVENT_SEQUENCE_CLAIMED);
        card->host->showMenu(*card, x, y);
    }

    /// The sizes the widget also comes in, the widgets to add after it (by display name) and
    /// its removal.
    void showMenu(Card& card, double x, double y)
    {
        const auto& configuration = m_widgets->configuration(card.index);
        GMenu* menu = g_menu_new();
        GMenu* sizes = g_menu_new();
        for (auto family : configuration.supportedFamilies()) {
            if (family == m_widgets->family(card.index))
                continue;
            GMenuItem* item = g_menu_item_new(familyLabel(family).c_str(), nullptr);
            g_menu_item_set_action_and_target_value(
                item, "win.family", g_variant_new("(us)", static_cast<guint32>(card.index), std::string(familyName(family)).c_str()));
            g_menu_append_item(sizes, item);
            g_object_unref(item);
        }
        g_menu_append_section(menu, text("WidgetHost.size", "Size").c_str(), G_MENU_MODEL(sizes));
        g_object_unref(sizes);
        GMenu* widgets = g_menu_new();
        for (const auto& other : m_widgets->configurations()) {
            std::string name = m_options.strings ? m_options.strings->localizedString(other.displayNameKey()) : other.kind();
            GMenuItem* item = g_menu_item_new(name.c_str(), nullptr);
            g_menu_item_set_action_and_target_value(item, "win.add", g_variant_new("(us)", static_cast<guint32>(card.index + 1), other.kind().c_str()));
            g_menu_append_item(widgets, item);
            g_object_unref(item);
        }
        GMenu* edits = g_menu_new();
        g_menu_append_submenu(edits, text("WidgetHost.addWidget", "Add Widget").c_str(), G_MENU_MODEL(widgets));
        g_object_unref(widgets);
        GMenuItem* remove = g_menu_item_new(text("WidgetHost.removeWidget", "Remove Widget").c_str(), nullptr);
        g_menu_item_set_action_and_target_value(remove, "win.remove", g_variant_new_uint32(static_cast<guint32>(card.index)));
        g_menu_append_item(edits, remove);
        g_object_unref(remove);
        g_menu_append_section(menu, nullptr, G_MENU_MODEL(edits));
        g_object_unref(edits);

        if (card.menu)
            gtk_widget_unparent(card.menu);
        card.menu = gtk_popover_menu_new_from_model(G_MENU_MODEL(menu));
        g_object_unref(menu);
        gtk_widget_set_parent(card.menu, card.area);
        gtk_popover_set_has_arrow(GTK_POPOVER(card.menu), false);
        GdkRectangle at { static_cast<int>(x), static_cast<int>(y), 1, 1 };
        gtk_popover_set_pointing_to(GTK_POPOVER(card.menu), &at);
        gtk_popover_popup(GTK_POPOVER(card.menu));
    }

    void buildCards()
    {
        for (auto& card : m_cards) {
            if (card->menu)
                gtk_widget_unparent(std::exchange(card->menu, nullptr));
            gtk_box_remove(GTK_BOX(m_box), card->area);
        }
        m_cards.clear();
        for (size_t index = 0; index < m_widgets->count(); ++index) {
            auto card = std::make_unique<Card>();
            card->host = this;
            card->index = index;
            card->area = gtk_drawing_area_new();
            ui::Size size = ui::widgetSize(m_widgets->family(index));
            gtk_drawing_area_set_content_width(GTK_DRAWING_AREA(card->area), static_cast<int>(std::ceil(size.width)));
            gtk_drawing_area_set_content_height(GTK_DRAWING_AREA(card->area), static_cast<int>(std::ceil(size.height)));
            gtk_widget_set_halign(card->area, GTK_ALIGN_START);
            gtk_widget_set_valign(card->area, GTK_ALIGN_START);
            gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(card->area), &Host::drawCard, card.get(), nullptr);
            g_signal_connect_swapped(card->area, "notify::scale-factor", G_CALLBACK(gtk_widget_queue_draw), card->area);

            GtkGesture* click = gtk_gesture_click_new();
            gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(click), GDK_BUTTON_PRIMARY);
            g_signal_connect(click, "released", G_CALLBACK(&Host::clicked), card.get());
            gtk_widget_add_controller(card->area, GTK_EVENT_CONTROLLER(click));
            GtkGesture* secondary = gtk_gesture_click_new();
            gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(secondary), GDK_BUTTON_SECONDARY);
            g_signal_connect(secondary, "pressed", G_CALLBACK(&Host::secondaryPressed), card.get());
            gtk_widget_add_controller(card->area, GTK_EVENT_CONTROLLER(secondary));
            GtkEventController* motion = gtk_event_controller_motion_new();
            g_signal_connect(motion, "motion", G_CALLBACK(&Host::pointerMoved), card.get());
            g_signal_connect_swapped(motion, "leave", G_CALLBACK(+[](Card* card) { gtk_widget_set_cursor(card->area, nullptr); }), card.get());
            gtk_widget_add_controller(card->area, motion);

            gtk_box_append(GTK_BOX(m_box), card->area);
            m_cards.push_back(std::move(card));
        }
    }

    /// Visible while the window is mapped and not minimised.
    void mapped(bool isMapped)
    {
        if (isMapped && !m_surfaceStateHandler) {
            if (GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(m_window)); surface && GDK_IS_TOPLEVEL(surface)) {
                m_surface = surface;
                m_surfaceStateHandler = g_signal_connect_swapped(
                    surface, "notify::state", G_CALLBACK(+[](Host* host) { host->updateVisibility(true); }), this);
            }
        }
        updateVisibility(isMapped);
    }

    void realized()
    {
        if (GdkFrameClock* clock = gtk_widget_get_frame_clock(m_window))
            g_signal_connect_swapped(clock, "after-paint", G_CALLBACK(+[](Host* host) { host->framePainted(); }), this);
    }

    void updateVisibility(bool isMapped)
    {
        bool minimized = m_surface && (gdk_toplevel_get_state(GDK_TOPLEVEL(m_surface)) & GDK_TOPLEVEL_STATE_MINIMIZED);
        if (m_widgets)
            m_widgets->setVisible(isMapped && !minimized);
    }

    static void drawCard(GtkDrawingArea*, cairo_t* cairo, int, int, gpointer data)
    {
        auto* card = static_cast<Card*>(data);
        card->host->draw(*card, cairo);
    }

    void draw(Card& card, cairo_t* cairo)
    {
        if (!m_widgets || card.index >= m_widgets->count())
            return;
        ui::EnvironmentValues environment;
        environment.colorScheme = m_scheme->current();
        environment.displayScale = gtk_widget_get_scale_factor(card.area);
        if (m_options.strings)
            environment.localize = m_options.strings->localizer();
        auto layout = WidgetContainer::layout(
            m_widgets->content(card.index), m_widgets->family(card.index), std::move(environment), { nullptr, m_widgets->renderDate(card.index) });
        WidgetContainer::draw(layout, cairo);
        m_widgets->setShowsTimer(card.index, layout.containsTimer());

        std::string label;
        for (const auto& text : layout.accessibilityTexts())
            label += (label.empty() ? "" : "\n") + text;
        if (label != card.accessibleLabel) {
            card.accessibleLabel = label;
            gtk_accessible_update_property(GTK_ACCESSIBLE(card.area), GTK_ACCESSIBLE_PROPERTY_LABEL, label.c_str(), -1);
        }
        card.layout = std::move(layout);
        m_treeChanged = true;
    }

    /// The tree is written once the frame that drew it has been handed to the display, so
    /// that whoever reads it finds the window showing what it says.
    void framePainted()
    {
        if (!m_treeChanged || !m_options.treeFile)
            return;
        m_treeChanged = false;
        writeTree();
    }

    static void clicked(GtkGestureClick*, int, double x, double y, gpointer data)
    {
        auto* card = static_cast<Card*>(data);
        if (!card->layout)
            return;
        if (auto url = card->layout->linkURL({ x, y }))
            Workspace::shared().open(*url);
    }

    static void pointerMoved(GtkEventControllerMotion*, double x, double y, gpointer data)
    {
        auto* card = static_cast<Card*>(data);
        bool overLink = card->layout && card->layout->linkURL({ x, y });
        gtk_widget_set_cursor_from_name(card->area, overLink ? "pointer" : nullptr);
    }

    void writeTree() const
    {
        double surfaceX = 0;
        double surfaceY = 0;
        gtk_native_get_surface_transform(GTK_NATIVE(m_window), &surfaceX, &surfaceY);
        auto cards = nlohmann::json::array();
        for (const auto& card : m_cards) {
            if (!card->layout)
                continue;
            graphene_point_t origin = GRAPHENE_POINT_INIT(0, 0);
            graphene_point_t inWindow;
            if (!gtk_widget_compute_point(card->area, m_window, &origin, &inWindow))
                continue;
            double x = surfaceX + inWindow.x;
            double y = surfaceY + inWindow.y;
            auto links = nlohmann::json::array();
            for (const auto& link : card->layout->linkRegions()) {
                links.push_back({ { "rect", rectJson(x + link.frame.origin.x, y + link.frame.origin.y, link.frame.size.width, link.frame.size.height) },
                    { "url", link.url } });
            }
            auto size = card->layout->size();
            cards.push_back({ { "kind", m_widgets->configuration(card->index).kind() },
                { "family", std::string(familyName(m_widgets->family(card->index))) }, { "frame", rectJson(x, y, size.width, size.height) },
                { "links", links }, { "texts", card->layout->accessibilityTexts() } });
        }
        nlohmann::json tree { { "scheme", m_scheme->current() == ui::ColorScheme::dark ? "dark" : "light" },
            { "scale", gtk_widget_get_scale_factor(m_window) }, { "cards", cards } };
        if (auto written = FileReplacement::write(*m_options.treeFile, cli::printJson(tree) + "\n"); !written)
            PlatformLog::warning("WidgetHost", written.error());
    }

    std::vector<WidgetConfiguration> m_configurations;
    DesktopWidgetHost::Options m_options;
    GtkApplication* m_application = nullptr;
    GtkWidget* m_window = nullptr;
    GtkWidget* m_box = nullptr;
    GdkSurface* m_surface = nullptr;
    gulong m_surfaceStateHandler = 0;
    bool m_treeChanged = false;
    std::optional<std::vector<WidgetPlacement>> m_pendingPlacements;
    std::unique_ptr<WidgetHost> m_widgets;
    std::shared_ptr<void> m_companion;
    std::unique_ptr<DesktopColorScheme> m_scheme;
    std::vector<std::unique_ptr<Card>> m_cards;
};

}

std::vector<WidgetPlacement> DesktopWidgetHost::storedPlacements(const std::vector<WidgetPlacement>& defaults)
{
    auto& settings = UserDefaults::standard();
    if (auto stored = settings.object(placementsKey)) {
        if (auto placements = WidgetPlacement::fromPropertyList(*stored))
            return *placements;
    }
    if (auto kept = settings.set(placementsKey, WidgetPlacement::propertyList(defaults)); !kept)
        PlatformLog::warning("WidgetHost", "cannot keep the placed widgets: " + kept.error().message);
    return defaults;
}

void DesktopWidgetHost::prepareProcess()
{
    g_setenv("GSK_RENDERER", "cairo", false);
    g_setenv("GDK_DEBUG", "gl-disable", false);
}

int DesktopWidgetHost::run(std::vector<WidgetConfiguration> configurations, Options options)
{
    Host host(std::move(configurations), std::move(options));
    return host.run();
}

}
