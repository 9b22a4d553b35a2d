#include "TVKCore/Settings/CustomRemindersStore.hpp"

#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Runtime/ProcessWideInstance.hpp"
#include "TVKUtils/DateOperations.hpp"
#include "TVKUtils/SharedDefaults.hpp"

#include <algorithm>

namespace tvk {

namespace {

std::string key()
{
    return std::string(CustomRemindersStore::storageKey);
}

std::string_view textOf(const Data& data)
{
    return std::string_view(reinterpret_cast<const char*>(data.data()), data.size());
}

const std::shared_ptr<const std::vector<Reminder>>& noReminders()
{
    static const auto empty = std::make_shared<const std::vector<Reminder>>();
    return empty;
}

}

CustomRemindersStore& CustomRemindersStore::shared()
{
    static auto* instance = new ProcessWideInstance<CustomRemindersStore>;
    return instance->get([] { return new CustomRemindersStore(sharedUserDefaults()); });
}

CustomRemindersStore::CustomRemindersStore(UserDefaults& suite)
    : m_suite(suite)
{
}

std::shared_ptr<const CustomRemindersStore::List> CustomRemindersStore::load() const
{
    std::shared_ptr<const Data> cachedData;
    std::shared_ptr<const List> cachedList;
    {
        std::lock_guard lock(m_cacheMutex);
        cachedData = m_cachedData;
        cachedList = m_cachedList;
    }
    bool isData = false;
    bool unchanged = false;
    std::shared_ptr<Data> fresh;
    m_suite.readObject(key(), [&](const PropertyList* value) {
        auto* data = value ? value->get<Data>() : nullptr;
        if (!data)
            return;
        isData = true;
        if (cachedData && *cachedData == *data)
            unchanged = true;
        else
            fresh = std::make_shared<Data>(*data);
    });
    if (!isData)
        return noReminders();
    if (unchanged)
        return cachedList;

    auto decoded = Reminder::decodeList(textOf(*fresh));
    auto list = decoded ? std::make_shared<const List>(std::move(*decoded)) : noReminders();
    std::lock_guard lock(m_cacheMutex);
    m_cachedData = std::move(fresh);
    m_cachedList = list;
    return list;
}

std::vector<Reminder> CustomRemindersStore::reminders() const
{
    return *load();
}

std::vector<Reminder> CustomRemindersStore::futureReminders() const
{
    auto now = Date::now();
    std::vector<Reminder> future;
    for (auto& reminder : *load()) {
        if (reminder.date() > now)
            future.push_back(reminder);
    }
    return future;
}

std::optional<Reminder> CustomRemindersStore::reminder(const std::string& forID) const
{
    auto list = load();
    auto found = std::find_if(list->begin(), list->end(), [&](const Reminder& reminder) { return reminder.id() == forID; });
    if (found == list->end())
        return std::nullopt;
    return *found;
}

std::vector<Reminder> CustomRemindersStore::reminders(Date from, Date to) const
{
    std::vector<Reminder> inRange;
    for (auto& reminder : *load()) {
        if (reminder.date() >= from && reminder.date() <= to)
            inRange.push_back(reminder);
    }
    return inRange;
}

tl::expected<void, DefaultsError> CustomRemindersStore::change(
    const std::function<bool(List&)>& edit, Announce announce, WhenUnreadable whenUnreadable)
{
    std::optional<DefaultsError> refusal;
    bool leftAlone = false;
    auto written = m_suite.update(key(), [&](std::optional<PropertyList> current) -> std::optional<PropertyList> {
        List list;
        if (current) {
            auto* data = current->get<Data>();
            tl::expected<List, std::string> decoded = data ? Reminder::decodeList(textOf(*data)) : tl::unexpected(std::string("not data"));
            if (!decoded) {
                if (whenUnreadable == WhenUnreadable::leaveAlone)
                    leftAlone = true;
                else
                    refusal = DefaultsError { "the stored reminders cannot be read (" + decoded.error() + "); they were left unchanged" };
                return current;
            }
            list = std::move(*decoded);
        }
        if (!edit(list))
            return current;
        auto json = Reminder::encodeList(list);
        if (!json) {
            refusal = DefaultsError { "cannot encode the reminders: " + json.error() };
            return current;
        }
        return PropertyList(Data(json->begin(), json->end()));
    });
    if (!written)
        return written;
    if (refusal)
        return tl::unexpected(std::move(*refusal));
    if (announce == Announce::yes && !leftAlone)
        NotificationCenter::defaultCenter().post(std::string(NotificationName::remindersChanged));
    return {};
}

tl::expected<void, DefaultsError> CustomRemindersStore::addReminder(const Reminder& reminder)
{
    return change(
        [&](List& list) {
            list.push_back(reminder);
            return true;
        },
        Announce::yes, WhenUnreadable::fail);
}

tl::expected<void, DefaultsError> CustomRemindersStore::updateReminder(const Reminder& reminder)
{
    return change(
        [&](List& list) {
            std::erase_if(list, [&](const Reminder& stored) { return stored.id() == reminder.id(); });
            list.push_back(reminder);
            return true;
        },
        Announce::yes, WhenUnreadable::fail);
}

tl::expected<void, DefaultsError> CustomRemindersStore::removeReminder(const std::string& id)
{
    return change([&](List& list) { return std::erase_if(list, [&](const Reminder& stored) { return stored.id() == id; }) > 0; },
        Announce::yes, WhenUnreadable::fail);
}

tl::expected<void, DefaultsError> CustomRemindersStore::purgePastReminders()
{
    auto cutoff = addingDays(Date::now(), -30);
    // Every reload purges; most find nothing to purge, which a read tells without taking the
    // settings lock and reading the file again under it.
    auto current = load();
    if (std::none_of(current->begin(), current->end(), [&](const Reminder& stored) { return stored.date() < cutoff; }))
        return {};
    // An array this program cannot read holds nothing it could purge; that is no failure.
    return change([&](List& list) { return std::erase_if(list, [&](const Reminder& stored) { return stored.date() < cutoff; }) > 0; },
        Announce::no, WhenUnreadable::leaveAlone);
}

}
