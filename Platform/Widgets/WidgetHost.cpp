#include "Platform/Widgets/WidgetHost.hpp"

#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/RepeatingTimer.hpp"

#include <algorithm>
#include <cmath>

namespace tvk::widgets {

namespace {

/// The interval of the wake timer once it has fired: the host always re-arms it for the next
/// due date first, so this only bounds a wake that nothing else rescheduled.
constexpr TimeInterval wakeRepeatInterval = 3600;

}

class WidgetHost::State : public std::enable_shared_from_this<WidgetHost::State> {
public:
    struct Slot {
        WidgetPlacement placement;
        const WidgetConfiguration* configuration = nullptr;
        /// The last timeline's entries and policy; none before the first answer.
        std::optional<Timeline<AnyTimelineEntry>> timeline;
        /// The placeholder, made when placed and again when a timeline has no entries.
        AnyTimelineEntry placeholder;
        /// Which entry of the timeline is shown; none while the placeholder is.
        std::optional<size_t> shown;
        Date askedAt;
        bool awaiting = false;
        bool askAgain = false;
        bool showsTimer = false;
        /// Counts placements, so that an answer for a widget since removed is dropped.
        std::uint64_t identity = 0;
    };

    State(std::vector<WidgetConfiguration> configurations, WidgetCenter& center)
        : configurations(std::move(configurations))
        , center(center)
    {
    }

    void start()
    {
        reloadToken = center.addReloadHandler([weak = weak_from_this()](const std::optional<std::string>& kind) {
            DispatchQueue::main().async([weak, kind] {
                if (auto state = weak.lock())
                    state->reload(kind);
            });
        });
    }

    void stop()
    {
        if (reloadToken)
            center.removeReloadHandler(*reloadToken);
        reloadToken.reset();
        wakeTimer.reset();
        tickTimer.reset();
    }

    const WidgetConfiguration* configurationOf(std::string_view kind) const
    {
        auto found = std::find_if(configurations.begin(), configurations.end(), [&](auto& c) { return c.kind() == kind; });
        return found == configurations.end() ? nullptr : &*found;
    }

    void place(const std::vector<WidgetPlacement>& placements)
    {
        slots.clear();
        for (const auto& placement : placements) {
            const auto* configuration = configurationOf(placement.kind);
            if (!configuration || !configuration->supports(placement.family))
                continue;
            Slot slot { placement, configuration, std::nullopt, configuration->placeholder(context(placement.family)) };
            slot.identity = ++placedCount;
            slots.push_back(std::move(slot));
        }
        for (size_t index = 0; index < slots.size(); ++index)
            ask(index);
        redrawAll();
        updateTicking();
        reschedule();
    }

    static TimelineProviderContext context(WidgetFamily family) { return TimelineProviderContext::forFamily(family); }

    void ask(size_t index)
    {
        Slot& slot = slots[index];
        if (slot.awaiting) {
            slot.askAgain = true;
            return;
        }
        slot.awaiting = true;
        slot.askAgain = false;
        slot.askedAt = Date::now();
        slot.configuration->getTimeline(
            context(slot.placement.family), [weak = weak_from_this(), identity = slot.identity](Timeline<AnyTimelineEntry> timeline) {
                DispatchQueue::main().async([weak, identity, timeline = std::move(timeline)]() mutable {
                    if (auto state = weak.lock())
                        state->answered(identity, std::move(timeline));
                });
            });
    }

    void answered(std::uint64_t identity, Timeline<AnyTimelineEntry> timeline)
    {
        auto found = std::find_if(slots.begin(), slots.end(), [&](const Slot& slot) { return slot.identity == identity; });
        if (found == slots.end())
            return;
        size_t index = static_cast<size_t>(found - slots.begin());
        Slot& slot = *found;
        slot.awaiting = false;
        std::stable_sort(timeline.entries.begin(), timeline.entries.end(), [](auto& a, auto& b) { return a.date() < b.date(); });
        slot.timeline = std::move(timeline);
        if (slot.timeline->entries.empty())
            slot.placeholder = slot.configuration->placeholder(context(slot.placement.family));
        slot.shown = shownIndex(slot, Date::now());
        redraw(index);
        if (slot.askAgain)
            ask(index);
        reschedule();
    }

    static std::optional<size_t> shownIndex(const Slot& slot, Date now)
    {
        if (!slot.timeline || slot.timeline->entries.empty())
            return std::nullopt;
        const auto& entries = slot.timeline->entries;
        size_t shown = 0;
        for (size_t index = 0; index < entries.size(); ++index) {
            if (entries[index].date() <= now)
                shown = index;
        }
        return shown;
    }

    /// When the slot's provider is to be asked again by its policy; none when it is not.
    static std::optional<Date> reloadDate(const Slot& slot)
    {
        if (!slot.timeline || slot.awaiting)
            return std::nullopt;
        std::optional<Date> due;
        const auto& policy = slot.timeline->policy;
        switch (policy.kind()) {
        case TimelineReloadPolicy::Kind::after: due = policy.date(); break;
        case TimelineReloadPolicy::Kind::atEnd:
            due = slot.timeline->entries.empty() ? slot.askedAt : slot.timeline->entries.back().date();
            break;
        case TimelineReloadPolicy::Kind::never: break;
        }
        if (!due)
            return std::nullopt;
        return std::max(*due, slot.askedAt + minimumPolicyInterval);
    }

    /// The next entry date of the slot after `now`.
    static std::optional<Date> nextSwitch(const Slot& slot, Date now)
    {
        if (!slot.timeline)
            return std::nullopt;
        for (const auto& entry : slot.timeline->entries) {
            if (entry.date() > now)
                return entry.date();
        }
        return std::nullopt;
    }

    std::optional<Date> nextWake() const
    {
        Date now = Date::now();
        std::optional<Date> next;
        auto consider = [&next](std::optional<Date> date) {
            if (date && (!next || *date < *next))
                next = date;
        };
        for (const auto& slot : slots) {
            consider(nextSwitch(slot, now));
            consider(reloadDate(slot));
        }
        return next;
    }

    void reschedule()
    {
        auto next = nextWake();
        if (!next) {
            wakeTimer.reset();
            return;
        }
        if (wakeTimer && wakeTimer->isValid() && wakeTimer->fireDate() == *next)
            return;
        wakeTimer = std::make_unique<RepeatingTimer>(*next, wakeRepeatInterval, [weak = weak_from_this()] {
            if (auto state = weak.lock())
                state->wake();
        });
    }

    void wake()
    {
        Date now = Date::now();
        for (size_t index = 0; index < slots.size(); ++index) {
            Slot& slot = slots[index];
            if (auto shown = shownIndex(slot, now); shown != slot.shown) {
                slot.shown = shown;
                redraw(index);
            }
            if (auto due = reloadDate(slot); due && *due <= now)
                ask(index);
        }
        reschedule();
    }

    void reload(const std::optional<std::string>& kind)
    {
        for (size_t index = 0; index < slots.size(); ++index) {
            if (!kind || slots[index].placement.kind == *kind)
                ask(index);
        }
        reschedule();
    }

    void redraw(size_t index)
    {
        if (visible && redrawHandler)
            redrawHandler(index);
    }

    void redrawAll()
    {
        for (size_t index = 0; index < slots.size(); ++index)
            redraw(index);
    }

    void updateTicking()
    {
        bool wanted = visible && std::any_of(slots.begin(), slots.end(), [](const Slot& slot) { return slot.showsTimer; });
        if (!wanted) {
            tickTimer.reset();
            return;
        }
        if (tickTimer)
            return;
        // On whole seconds, when the timer texts change.
        Date next(std::floor(Date::now().timeIntervalSince1970()) + 1);
        tickTimer = std::make_unique<RepeatingTimer>(next, 1, [weak = weak_from_this()] {
            if (auto state = weak.lock())
                state->tick();
        });
    }

    void tick()
    {
        for (size_t index = 0; index < slots.size(); ++index) {
            if (slots[index].showsTimer)
                redraw(index);
        }
    }

    std::vector<WidgetConfiguration> configurations;
    WidgetCenter& center;
    std::optional<ObserverToken> reloadToken;
    std::vector<Slot> slots;
    std::uint64_t placedCount = 0;
    RedrawHandler redrawHandler;
    bool visible = true;
    std::unique_ptr<RepeatingTimer> wakeTimer;
    std::unique_ptr<RepeatingTimer> tickTimer;
};

WidgetHost::WidgetHost(std::vector<WidgetConfiguration> configurations, WidgetCenter& center)
    : m_state(std::make_shared<State>(std::move(configurations), center))
{
    m_state->start();
}

WidgetHost::~WidgetHost()
{
    m_state->stop();
}

const std::vector<WidgetConfiguration>& WidgetHost::configurations() const
{
    return m_state->configurations;
}

const WidgetConfiguration* WidgetHost::configuration(std::string_view kind) const
{
    return m_state->configurationOf(kind);
}

void WidgetHost::setPlacements(const std::vector<WidgetPlacement>& placements)
{
    m_state->place(placements);
}

std::vector<WidgetPlacement> WidgetHost::placements() const
{
    std::vector<WidgetPlacement> placements;
    for (const auto& slot : m_state->slots)
        placements.push_back(slot.placement);
    return placements;
}

size_t WidgetHost::count() const
{
    return m_state->slots.size();
}

const WidgetConfiguration& WidgetHost::configuration(size_t index) const
{
    return *m_state->slots.at(index).configuration;
}

WidgetFamily WidgetHost::family(size_t index) const
{
    return m_state->slots.at(index).placement.family;
}

AnyTimelineEntry WidgetHost::shownEntry(size_t index) const
{
    const auto& slot = m_state->slots.at(index);
    if (slot.shown)
        return slot.timeline->entries[*slot.shown];
    return slot.placeholder;
}

ui::View WidgetHost::content(size_t index) const
{
    return configuration(index).content(shownEntry(index));
}

Date WidgetHost::renderDate(size_t index) const
{
    return std::max(Date::now(), shownEntry(index).date());
}

void WidgetHost::setRedrawHandler(RedrawHandler handler)
{
    m_state->redrawHandler = std::move(handler);
}

void WidgetHost::setVisible(bool visible)
{
    if (visible == m_state->visible)
        return;
    m_state->visible = visible;
    m_state->updateTicking();
    if (visible)
        m_state->redrawAll();
}

bool WidgetHost::isVisible() const
{
    return m_state->visible;
}

void WidgetHost::setShowsTimer(size_t index, bool showsTimer)
{
    if (index >= m_state->slots.size())
        return;
    m_state->slots[index].showsTimer = showsTimer;
    m_state->updateTicking();
}

std::optional<Date> WidgetHost::nextWakeDate() const
{
    return m_state->nextWake();
}

bool WidgetHost::isTicking() const
{
    return m_state->tickTimer != nullptr;
}

}
