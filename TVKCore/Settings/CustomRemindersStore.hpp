#pragma once

#include "TVKCore/Settings/CustomRemindersStoring.hpp"

#include <functional>
#include <memory>
#include <mutex>
#include <string_view>

namespace tvk {

/// The own reminders, kept in the shared domain under "customReminders" as the data of one
/// JSON array, in stored order.
///
/// Reads take what is stored now and never write; any thread may read, and reading an
/// unchanged array costs a comparison of its bytes, not a decoding. A key that is missing or
/// does not decode reads as no reminders.
///
/// Every change is a read-modify-write under the domain's lock, so reminders that another
/// thread or program (the main application) adds at the same moment are all kept. A stored
/// array that does not decode is never replaced by a change: the change fails and says so,
/// and a purge leaves it alone. `remindersChanged` is posted after each add, update or removal
/// that was stored.
class CustomRemindersStore final : public CustomRemindersStoring {
public:
    static constexpr std::string_view storageKey = "customReminders";

    static CustomRemindersStore& shared();
    explicit CustomRemindersStore(UserDefaults& suite);
    CustomRemindersStore(const CustomRemindersStore&) = delete;
    CustomRemindersStore& operator=(const CustomRemindersStore&) = delete;

    std::vector<Reminder> reminders() const override;
    std::vector<Reminder> futureReminders() const override;
    tl::expected<void, DefaultsError> addReminder(const Reminder& reminder) override;
    tl::expected<void, DefaultsError> updateReminder(const Reminder& reminder) override;
    tl::expected<void, DefaultsError> removeReminder(const std::string& id) override;
    /// Writes only when a reminder was dropped.
    tl::expected<void, DefaultsError> purgePastReminders() override;
    std::optional<Reminder> reminder(const std::string& forID) const override;
    std::vector<Reminder> reminders(Date from, Date to) const override;

private:
    using List = std::vector<Reminder>;

    enum class Announce { no, yes };
    /// What a change does when the stored value does not decode.
    enum class WhenUnreadable { fail, leaveAlone };

    std::shared_ptr<const List> load() const;
    /// Applies `edit` to the stored list under the domain's lock; `edit` returns false when it
    /// left the list as it was, and nothing is written then.
    tl::expected<void, DefaultsError> change(const std::function<bool(List&)>& edit, Announce announce, WhenUnreadable whenUnreadable);

    UserDefaults& m_suite;
    // The last array decoded, with the bytes it came from.
    mutable std::mutex m_cacheMutex;
    mutable std::shared_ptr<const Data> m_cachedData;
    mutable std::shared_ptr<const List> m_cachedList;
};

}
