#pragma once

#include "Platform/Runtime/Date.hpp"
#include "Platform/Widgets/AnyTimelineEntry.hpp"
#include "Platform/Widgets/WidgetCenter.hpp"
#include "Platform/Widgets/WidgetConfiguration.hpp"
#include "Platform/Widgets/WidgetPlacement.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tvk::widgets {

/// What a desktop host does besides drawing: it keeps a timeline for every placed widget and
/// says which entry each one shows and when each must be drawn again. Windows and pictures
/// are its caller's business (`DesktopWidgetHost` on GTK), so it runs and is tested without a
/// display.
///
/// - Every placed widget shows its placeholder until its first timeline arrives, then each
///   entry from its date on: the last entry whose date has come, or the first while none has.
///   A timeline without entries shows the placeholder again, as of that moment.
/// - Entries switch on time, also after the clock jumps (a suspend that skipped several entries
///   shows the one whose date came last).
/// - The host asks the provider again when the reload policy says (`after` its date, `atEnd`
///   at the last entry's date, never for `never`), but not sooner than
///   `minimumPolicyInterval` after it last asked, so that a policy in the past cannot make it
///   ask in a loop; and at once when the widget centre reloads the widget's kind or every
///   kind. One request per widget is out at a time: a reload asked for meanwhile is made when
///   the answer has come.
/// - Redraws are asked for only when what a widget shows changes, and, for a widget whose
///   drawing holds a live timer text (`setShowsTimer`), once a second while the host is
///   visible. A hidden host asks for no redraws and keeps no second timer; it keeps its
///   timelines current and asks for every widget's redraw when it is shown again.
///
/// The only wake-ups are the next switch or reload date (one timer on the process clock) and
/// the second timer; providers answer on any thread and their answers are taken on the main
/// queue. Create, use and destroy the host on the main thread.
class WidgetHost {
public:
    static constexpr TimeInterval minimumPolicyInterval = 10;

    explicit WidgetHost(std::vector<WidgetConfiguration> configurations, WidgetCenter& center = WidgetCenter::shared());
    ~WidgetHost();
    WidgetHost(const WidgetHost&) = delete;
    WidgetHost& operator=(const WidgetHost&) = delete;

    const std::vector<WidgetConfiguration>& configurations() const;
    /// The configuration of a kind; null when the bundle has none.
    const WidgetConfiguration* configuration(std::string_view kind) const;

    /// Places these widgets, in this order, and asks each for its timeline. A placement whose
    /// kind the bundle lacks, or in a family its widget does not come in, is left out.
    void setPlacements(const std::vector<WidgetPlacement>& placements);
    /// The widgets placed, in order.
    std::vector<WidgetPlacement> placements() const;
    size_t count() const;

    const WidgetConfiguration& configuration(size_t index) const;
    WidgetFamily family(size_t index) const;
    /// The entry widget `index` shows now.
    AnyTimelineEntry shownEntry(size_t index) const;
    /// Its content view.
    ui::View content(size_t index) const;
    /// The moment its drawing is for: now, or the entry's date when that is still ahead.
    Date renderDate(size_t index) const;

    /// Called with a widget's index whenever it must be drawn again.
    using RedrawHandler = std::function<void(size_t index)>;
    void setRedrawHandler(RedrawHandler handler);

    void setVisible(bool visible);
    bool isVisible() const;
    /// Told by the drawing side: the widget's drawing holds a live timer text.
    void setShowsTimer(size_t index, bool showsTimer);

    /// When the host wakes next for a switch or a reload; none when nothing is due.
    std::optional<Date> nextWakeDate() const;
    /// Whether the second timer runs.
    bool isTicking() const;

    class State;

private:
    std::shared_ptr<State> m_state;
};

}
