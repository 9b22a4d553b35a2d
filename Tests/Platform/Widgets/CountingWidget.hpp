#pragma once

// A widget of the tests' own: each entry counts something, and its view is a link on a red
// container background. Its provider answers from a state
// the test sets: the counts of the timeline's entries (dated 100, 200, ... seconds after
// 1970), its policy, and whether it answers at once, later on the main queue, or never.

#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/UI/Controls.hpp"
#include "Platform/UI/Text.hpp"
#include "Platform/Widgets/WidgetConfiguration.hpp"
#include "Tests/Platform/UI/UITestSupport.hpp"

#include <memory>
#include <string>
#include <vector>

namespace tvk::widgets::test {

struct CountEntry {
    Date date;
    int count = 0;
    bool operator==(const CountEntry&) const = default;
};

inline void to_json(nlohmann::json& json, const CountEntry& entry)
{
    json = { { "date", entry.date.timeIntervalSince1970() }, { "count", entry.count } };
}

inline std::string summaryLine(const CountEntry& entry)
{
    return std::to_string(entry.count) + " things";
}

struct CountingState {
    enum class Answer { atOnce, onTheMainQueue, never };
    std::vector<int> counts;
    TimelineReloadPolicy policy = TimelineReloadPolicy::atEnd();
    Answer answer = Answer::atOnce;
    std::vector<TimelineProviderContext> contexts;
    /// The clock when the provider was built.
    Date builtAt;
};

struct CountingProvider {
    using Entry = CountEntry;
    std::shared_ptr<CountingState> state;

    explicit CountingProvider(std::shared_ptr<CountingState> state)
        : state(std::move(state))
    {
        this->state->builtAt = Date::now();
    }

    CountEntry placeholder(const TimelineProviderContext& context) const
    {
        state->contexts.push_back(context);
        return { Date(0), 0 };
    }
    void getSnapshot(const TimelineProviderContext& context, std::function<void(CountEntry)> completion) const
    {
        state->contexts.push_back(context);
        answer([completion, count = state->counts.empty() ? 0 : state->counts.front()] { completion({ Date(100), count }); });
    }
    void getTimeline(const TimelineProviderContext& context, std::function<void(Timeline<CountEntry>)> completion) const
    {
        state->contexts.push_back(context);
        Timeline<CountEntry> timeline { {}, state->policy };
        for (size_t i = 0; i < state->counts.size(); ++i)
            timeline.entries.push_back({ Date(100.0 * static_cast<double>(i + 1)), state->counts[i] });
        answer([completion, timeline] { completion(timeline); });
    }

private:
    void answer(std::function<void()> deliver) const
    {
        switch (state->answer) {
        case CountingState::Answer::atOnce: deliver(); break;
        case CountingState::Answer::onTheMainQueue: DispatchQueue::main().async(deliver); break;
        case CountingState::Answer::never: break;
        }
    }
};

inline WidgetConfiguration countingConfiguration(std::shared_ptr<CountingState> state)
{
    return StaticConfiguration("com.example.Count", CountingProvider(std::move(state)), [](const CountEntry& entry) {
        return ui::Link("count://" + std::to_string(entry.count), ui::Text("count " + std::to_string(entry.count)))
            .containerBackground(Color::named(Color::System::red), ui::ContainerBackgroundPlacement::widget);
    });
}

/// A second widget, whose entries the counting widget's content builder must not take.
struct OtherEntry {
    Date date;
};
inline void to_json(nlohmann::json& json, const OtherEntry&)
{
    json = nullptr;
}
inline std::string summaryLine(const OtherEntry&)
{
    return "other";
}
struct OtherProvider {
    using Entry = OtherEntry;
    OtherEntry placeholder(const TimelineProviderContext&) const { return {}; }
    void getSnapshot(const TimelineProviderContext&, std::function<void(OtherEntry)> completion) const { completion({}); }
    void getTimeline(const TimelineProviderContext&, std::function<void(Timeline<OtherEntry>)> completion) const { completion({}); }
};

}
