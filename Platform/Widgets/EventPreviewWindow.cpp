#include "Platform/Widgets/EventPreviewWindow.hpp"

#include "Platform/Widgets/DesktopWidgetHost.hpp"

#include <gtk/gtk.h>

#include <memory>

namespace tvk::widgets {

namespace {

std::string escaped(const std::string& text)
{
    gchar* escaped = g_markup_escape_text(text.c_str(), static_cast<gssize>(text.size()));
    std::string result = escaped;
    g_free(escaped);
    return result;
}

/// Pango markup of rich text: links as anchors that the label's "activate-link" hands over.
std::string markup(const EventPreview::RichText& text)
{
    std::string result;
    for (const auto& run : text) {
        if (run.link)
            result += "<a href=\"" + escaped(*run.link) + "\">" + escaped(run.text) + "</a>";
        else
            result += escaped(run.text);
    }
    return result;
}

GtkWidget* label(const std::string& text, const char* cssClass = nullptr)
{
    GtkWidget* widget = gtk_label_new(text.c_str());
    gtk_label_set_xalign(GTK_LABEL(widget), 0);
    gtk_label_set_wrap(GTK_LABEL(widget), true);
    gtk_label_set_wrap_mode(GTK_LABEL(widget), PANGO_WRAP_WORD_CHAR);
    gtk_label_set_selectable(GTK_LABEL(widget), true);
    if (cssClass)
        gtk_widget_add_css_class(widget, cssClass);
    return widget;
}

/// A window that runs the main context until it is closed.
class ModalWindow {
public:
    explicit ModalWindow(const std::string& title)
        : m_window(gtk_window_new())
    {
        gtk_window_set_title(GTK_WINDOW(m_window), title.c_str());
        gtk_window_set_default_size(GTK_WINDOW(m_window), 420, -1);
        g_signal_connect_swapped(m_window, "destroy", G_CALLBACK(+[](bool* closed) { *closed = true; }), &m_closed);
        m_content = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
        gtk_widget_set_margin_top(m_content, 18);
        gtk_widget_set_margin_bottom(m_content, 18);
        gtk_widget_set_margin_start(m_content, 18);
        gtk_widget_set_margin_end(m_content, 18);
        gtk_window_set_child(GTK_WINDOW(m_window), m_content);
    }

    GtkWidget* window() const { return m_window; }
    void add(GtkWidget* widget) { gtk_box_append(GTK_BOX(m_content), widget); }

    /// A row of buttons at the end; the last is the default.
    GtkWidget* addButtons(std::initializer_list<GtkWidget*> buttons)
    {
        GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
        gtk_widget_set_halign(row, GTK_ALIGN_END);
        gtk_widget_set_margin_top(row, 10);
        GtkWidget* last = nullptr;
        for (GtkWidget* button : buttons) {
            gtk_box_append(GTK_BOX(row), button);
            last = button;
        }
        add(row);
        return last;
    }

    GtkWidget* closeButton(const std::string& text)
    {
        GtkWidget* button = gtk_button_new_with_label(text.c_str());
        g_signal_connect_swapped(button, "clicked", G_CALLBACK(gtk_window_destroy), m_window);
        return button;
    }

    int run(GtkWidget* focus)
    {
        gtk_window_set_default_widget(GTK_WINDOW(m_window), focus);
        gtk_window_set_focus(GTK_WINDOW(m_window), focus);
        gtk_window_present(GTK_WINDOW(m_window));
        while (!m_closed)
            g_main_context_iteration(nullptr, true);
        return 0;
    }

private:
    GtkWidget* m_window;
    GtkWidget* m_content;
    bool m_closed = false;
};

struct LinkTarget {
    const EventPreviewWindow::Opener* open;
};

gboolean activateLink(GtkLabel*, const gchar* uri, gpointer data)
{
    (*static_cast<LinkTarget*>(data)->open)(uri);
    // Handled here: GTK would otherwise hand the link to the desktop itself.
    return true;
}

/// The window's headline: large and bold, not selectable (a selectable label that takes the
/// first focus shows itself selected).
GtkWidget* headline(const std::string& text)
{
    GtkWidget* widget = label({});
    gtk_label_set_markup(GTK_LABEL(widget), ("<span size=\"x-large\" weight=\"bold\">" + escaped(text) + "</span>").c_str());
    gtk_label_set_selectable(GTK_LABEL(widget), false);
    return widget;
}

void addSection(ModalWindow& window, const std::string& heading, GtkWidget* body)
{
    GtkWidget* title = label(heading, "heading");
    gtk_label_set_selectable(GTK_LABEL(title), false);
    gtk_widget_set_margin_top(title, 6);
    window.add(title);
    window.add(body);
}

GtkWidget* richLabel(const EventPreview::RichText& text, LinkTarget& target)
{
    GtkWidget* widget = label({});
    gtk_label_set_markup(GTK_LABEL(widget), markup(text).c_str());
    g_signal_connect(widget, "activate-link", G_CALLBACK(activateLink), &target);
    return widget;
}

bool prepareDisplay()
{
    DesktopWidgetHost::prepareProcess();
    return gtk_init_check();
}

}

int EventPreviewWindow::show(const EventPreview& preview, const Opener& open)
{
    if (!prepareDisplay())
        return noDisplay;
    LinkTarget target { &open };
    ModalWindow window(preview.title);

    window.add(headline(preview.title));
    window.add(label(preview.time));
    if (preview.calendarName) {
        std::string text = escaped(*preview.calendarName);
        if (preview.calendarColor && !preview.calendarColor->system) {
            // "#RRGGBBAA": Pango takes the alpha in the colour.
            text = "<span foreground=\"" + preview.calendarColor->hexString() + "\">\u25CF</span> " + text;
        }
        GtkWidget* calendar = label({}, "dim-label");
        gtk_label_set_markup(GTK_LABEL(calendar), text.c_str());
        window.add(calendar);
    }
    if (!preview.location.empty())
        addSection(window, preview.labels.location, richLabel(preview.location, target));
    if (!preview.notes.empty()) {
        GtkWidget* scroller = gtk_scrolled_window_new();
        gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
        gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(scroller), true);
        gtk_scrolled_window_set_max_content_height(GTK_SCROLLED_WINDOW(scroller), 240);
        gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scroller), richLabel(preview.notes, target));
        addSection(window, preview.labels.notes, scroller);
    }
    if (!preview.participants.empty()) {
        std::string list;
        for (const auto& participant : preview.participants)
            list += (list.empty() ? "" : "\n") + participant;
        addSection(window, preview.labels.participants, label(list));
    }

    GtkWidget* close = window.closeButton(preview.labels.close);
    GtkWidget* focus = close;
    if (preview.joinURL) {
        GtkWidget* join = gtk_button_new_with_label(preview.labels.join.c_str());
        gtk_widget_add_css_class(join, "suggested-action");
        struct Join {
            const Opener* open;
            std::string url;
            GtkWidget* window;
        };
        auto* action = new Join { &open, *preview.joinURL, window.window() };
        g_signal_connect_data(
            join, "clicked", G_CALLBACK(+[](GtkButton*, Join* join) {
                (*join->open)(join->url);
                gtk_window_destroy(GTK_WINDOW(join->window));
            }),
            action, [](gpointer data, GClosure*) { delete static_cast<Join*>(data); }, GConnectFlags(0));
        focus = window.addButtons({ close, join });
    } else {
        window.addButtons({ close });
    }
    return window.run(focus);
}

int EventPreviewWindow::showNotice(const std::string& title, const std::string& message, const std::string& closeLabel)
{
    if (!prepareDisplay())
        return noDisplay;
    ModalWindow window(title);
    window.add(headline(title));
    window.add(label(message));
    GtkWidget* close = window.closeButton(closeLabel);
    window.addButtons({ close });
    return window.run(close);
}

}
