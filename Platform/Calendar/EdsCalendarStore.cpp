#include "Platform/Calendar/EdsCalendarStore.hpp"

#include "Platform/Calendar/CalendarItemIndex.hpp"
#include "Platform/Calendar/ICalendarParser.hpp"
#include "Platform/Calendar/StoreOrdering.hpp"
#include "Platform/Eds/EdsBridge.hpp"
#include "Platform/Runtime/DispatchQueue.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"
#include "Platform/Runtime/NotificationCenter.hpp"
#include "Platform/Runtime/PlatformLog.hpp"
#include "Platform/Text/AsciiCase.hpp"

#include <glib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>

namespace tvk {

namespace {

constexpr char logCategory[] = "Calendar";

// A calendar whose client cannot be opened (a backend that fails, a source that is gone) is not
// asked again on every query, only after this long.
constexpr auto retryAfterFailure = std::chrono::seconds(60);

// Google's public holiday calendars, as GNOME Online Accounts subscribes them, are named
// "<region>#holiday@group.v.calendar.google.com".
bool isHolidayCalendar(const eds::Source& source)
{
    return source.webdavUri
        && (source.webdavUri->find("holiday@group.v.calendar.google.com") != std::string::npos
            || source.webdavUri->find("holiday%40group.v.calendar.google.com") != std::string::npos);
}

CalendarType calendarType(const eds::Source& source)
{
    const std::string& backend = source.backendName;
    if (backend == "contacts")
        return CalendarType::birthday;
    if (backend == "caldav" || backend == "google" || backend == "webdav")
        return isHolidayCalendar(source) ? CalendarType::subscription : CalendarType::calDAV;
    if (backend == "ews" || backend == "microsoft365")
        return CalendarType::exchange;
    if (backend == "webcal" || backend == "weather")
        return CalendarType::subscription;
    return CalendarType::local;
}

void addAddress(std::vector<std::string>& addresses, const std::string& address)
{
    if (address.find('@') == std::string::npos)
        return;
    std::string uri = startsWithIgnoringAsciiCase(address, "mailto:") ? address : "mailto:" + address;
    auto same = [&](const std::string& known) { return equalsIgnoringAsciiCase(known, uri); };
    if (std::none_of(addresses.begin(), addresses.end(), same))
        addresses.push_back(uri);
}

struct CalendarEntry {
    StoreCalendarPointer calendar;
    std::string sourceUid;
    eds::CalendarKind kind = eds::CalendarKind::events;
};

// What the registry says, turned into calendars.
struct Catalog {
    std::map<std::string, CalendarEntry> byIdentifier;
    std::vector<StoreCalendarPointer> eventCalendars;
    std::vector<StoreCalendarPointer> reminderLists;

    bool operator==(const Catalog& other) const
    {
        auto same = [](const std::vector<StoreCalendarPointer>& a, const std::vector<StoreCalendarPointer>& b) {
            return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](auto& x, auto& y) { return *x == *y; });
        };
        return same(eventCalendars, other.eventCalendars) && same(reminderLists, other.reminderLists);
    }
};

Catalog catalogOf(const std::vector<eds::Source>& sources, const std::optional<std::set<std::string>>& onlyAccounts)
{
    std::map<std::string, const eds::Source*> byUid;
    for (auto& source : sources)
        byUid.emplace(source.uid, &source);

    // The account of a calendar: the nearest collection above it, else the top of its chain.
    auto accountOf = [&](const eds::Source& calendar) -> const eds::Source* {
        const eds::Source* account = nullptr;
        std::set<std::string> visited;
        for (auto found = byUid.find(calendar.parentUid); found != byUid.end() && visited.insert(found->first).second;
             found = byUid.find(found->second->parentUid)) {
            account = found->second;
            if (account->isCollection)
                break;
        }
        return account;
    };
    auto isUnder = [&](const eds::Source& source, const std::string& accountUid) {
        std::set<std::string> visited;
        for (auto found = byUid.find(source.parentUid); found != byUid.end() && visited.insert(found->first).second;
             found = byUid.find(found->second->parentUid)) {
            if (found->first == accountUid)
                return true;
        }
        return false;
    };

    std::map<std::string, StoreSource> accounts;
    auto storeSourceOf = [&](const eds::Source& calendar) -> const StoreSource& {
        const eds::Source* account = accountOf(calendar);
        std::string key = account ? account->uid : calendar.parentUid;
        if (auto known = accounts.find(key); known != accounts.end())
            return known->second;
        StoreSource storeSource;
        storeSource.sourceIdentifier = key;
        storeSource.title = account && !account->displayName.empty() ? account->displayName : calendar.backendName;
        if (account && account->isCollection) {
            if (account->collectionIdentity)
                addAddress(storeSource.ownerAddresses, *account->collectionIdentity);
            for (auto& source : sources) {
                if (isUnder(source, account->uid)) {
                    for (auto& address : source.mailAddresses)
                        addAddress(storeSource.ownerAddresses, address);
                }
            }
        } else {
            for (auto& source : sources) {
                for (auto& address : source.mailAddresses)
                    addAddress(storeSource.ownerAddresses, address);
            }
        }
        for (auto& source : sources) {
            if ((source.isCalendar || source.isTaskList) && source.webdavEmailAddress && (account ? isUnder(source, account->uid) : false))
                addAddress(storeSource.ownerAddresses, *source.webdavEmailAddress);
        }
        return accounts.emplace(key, std::move(storeSource)).first->second;
    };

    Catalog catalog;
    for (auto& source : sources) {
        if (!source.isEnabled || !(source.isCalendar || source.isTaskList))
            continue;
        const StoreSource& storeSource = storeSourceOf(source);
        if (onlyAccounts && !onlyAccounts->contains(storeSource.sourceIdentifier))
            continue;
        auto make = [&](EntityType type, std::string identifier) {
            auto calendar = std::make_shared<StoreCalendar>();
            calendar->calendarIdentifier = std::move(identifier);
            calendar->title = source.displayName;
            calendar->color
                = source.color ? Color::fromHex(*source.color).value_or(Color::rgb(0.45, 0.55, 0.65)) : Color::rgb(0.45, 0.55, 0.65);
            calendar->type = calendarType(source);
            calendar->entityType = type;
            calendar->isSubscribedHolidayCalendar = isHolidayCalendar(source);
            calendar->source = storeSource;
            calendar->backend = CalendarBackend::eds;
            auto kind = type == EntityType::event ? eds::CalendarKind::events : eds::CalendarKind::tasks;
            catalog.byIdentifier[calendar->calendarIdentifier] = CalendarEntry { calendar, source.uid, kind };
            (type == EntityType::event ? catalog.eventCalendars : catalog.reminderLists).push_back(calendar);
        };
        if (source.isCalendar)
            make(EntityType::event, source.uid);
        if (source.isTaskList)
            make(EntityType::reminder, source.isCalendar ? source.uid + "#tasks" : source.uid);
    }
    std::stable_sort(catalog.eventCalendars.begin(), catalog.eventCalendars.end(), StoreOrdering::calendars);
    std::stable_sort(catalog.reminderLists.begin(), catalog.reminderLists.end(), StoreOrdering::calendars);
    return catalog;
}

struct LoadedCalendar {
    bool loaded = false;
    bool stale = false;
    std::optional<std::chrono::steady_clock::time_point> failedAt;
    std::unique_ptr<eds::Subscription> watch;
};

std::string originOf(const CalendarEntry& entry)
{
    return "the Evolution Data Server calendar \"" + entry.calendar->title + "\" (" + entry.sourceUid + ")";
}

CalendarItemIndex::View viewOf(const std::string& identifier, const CalendarEntry& entry)
{
    bool events = entry.kind == eds::CalendarKind::events;
    return CalendarItemIndex::View { identifier, events ? entry.calendar : nullptr, events ? nullptr : entry.calendar, originOf(entry) };
}

}

struct EdsCalendarStore::State : std::enable_shared_from_this<EdsCalendarStore::State> {
    std::shared_ptr<eds::Bridge> bridge;
    std::string unavailableReason;
    Monitoring monitoring = Monitoring::off;
    std::optional<std::set<std::string>> onlyAccounts;
    std::string localZone;
    std::atomic<const void*> owner { nullptr };
    std::atomic<size_t> loads { 0 };

    std::mutex mutex;
    std::optional<Catalog> catalog;
    bool catalogStale = false;
    std::map<std::string, LoadedCalendar> loaded;
    /// The items of the calendars read so far, in an index of this store alone: EDS keeps them
    /// itself, for every process.
    std::unique_ptr<CalendarItemIndex> items;

    std::mutex monitorMutex;
    std::unique_ptr<eds::Subscription> sourcesWatch;
    GSource* debounce = nullptr;

    ~State()
    {
        std::lock_guard lock(monitorMutex);
        if (debounce) {
            g_source_destroy(debounce);
            g_source_unref(debounce);
        }
    }

    // --- callers hold `mutex` ---

    const Catalog& currentCatalog()
    {
        if (!catalog || catalogStale) {
            catalog = bridge ? catalogOf(bridge->sources(), onlyAccounts) : Catalog {};
            catalogStale = false;
            for (auto it = loaded.begin(); it != loaded.end();) {
                if (catalog->byIdentifier.contains(it->first)) {
                    ++it;
                    continue;
                }
                if (items && it->second.loaded)
                    withItems(
                        [&](CalendarItemIndex& index) {
                            auto update = index.beginUpdate();
                            update->removeCollection(it->first);
                            update->commit();
                            return true;
                        },
                        false);
                it = loaded.erase(it);
            }
        }
        return *catalog;
    }

    // Runs `operation` on the index of items; when its temporary file fails (a full disk), the
    // items move to memory and are read again.
    template <typename Operation, typename Result> Result withItems(Operation&& operation, Result fallback)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                if (!items)
                    items = CalendarItemIndex::openPrivate(localZone, attempt > 0);
                return operation(*items);
            } catch (const CalendarItemIndex::Failure& failure) {
                PlatformLog::warning(logCategory, std::string("the desktop's calendar items are kept in memory: ") + failure.what());
                items.reset();
                for (auto& [identifier, calendar] : loaded)
                    calendar.loaded = false;
            }
        }
        return fallback;
    }

    // The calendar's items, read now when they were not read yet or changed since.
    std::optional<CalendarItemIndex::View> view(const std::string& identifier)
    {
        auto entry = currentCatalog().byIdentifier.find(identifier);
        if (entry == catalog->byIdentifier.end())
            return std::nullopt;
        const CalendarEntry& found = entry->second;
        LoadedCalendar& calendar = loaded[identifier];
        if (calendar.loaded && !calendar.stale)
            return viewOf(identifier, found);
        if (calendar.failedAt && std::chrono::steady_clock::now() - *calendar.failedAt < retryAfterFailure)
            return viewOf(identifier, found);
        std::string origin = originOf(found);
        // Watching starts before the read, so that a change in between is not missed.
        if (monitoring == Monitoring::on && !calendar.watch) {
            std::weak_ptr<State> weak = weak_from_this();
            auto watch = bridge->watchCalendar(found.sourceUid, found.kind, [weak, identifier] {
                if (auto state = weak.lock())
                    state->calendarChanged(identifier);
            });
            if (watch)
                calendar.watch = std::move(*watch);
            else
                PlatformLog::warning(logCategory, origin + " is not watched for changes: " + watch.error());
        }
        calendar.stale = false;
        auto objects = bridge->calendarObjects(found.sourceUid, found.kind);
        ++loads;
        if (!objects) {
            if (!calendar.failedAt)
                PlatformLog::warning(logCategory, origin + " cannot be read: " + objects.error());
            calendar.failedAt = std::chrono::steady_clock::now();
            return viewOf(identifier, found);
        }
        calendar.failedAt.reset();
        auto parsed = ICalendarParser::read(objects->get());
        objects->reset(); // the calendar as libical holds it is not needed any more
        if (!parsed) {
            PlatformLog::warning(logCategory, origin + ": " + parsed.error());
            parsed = ParsedCalendarFile {};
        } else if (!parsed->skipped.empty()) {
            std::string message = origin + ": skipped ";
            for (size_t i = 0; i < parsed->skipped.size(); ++i)
                message += (i ? "; " : "") + parsed->skipped[i];
            PlatformLog::warning(logCategory, message);
        }
        // A calendar is one file of the index; read again with the same items, it changes nothing.
        bool events = found.kind == eds::CalendarKind::events;
        CalendarItemIndex::CollectionNames names { identifier, events ? identifier : std::string(), events ? std::string() : identifier };
        calendar.loaded = withItems(
            [&](CalendarItemIndex& index) {
                auto update = index.beginUpdate();
                update->putFile(names, "", FileIdentity {}, *parsed);
                update->commit();
                return true;
            },
            false);
        return viewOf(identifier, found);
    }

    // --- change notification, on the main context ---

    void calendarChanged(const std::string& identifier)
    {
        {
            std::lock_guard lock(mutex);
            if (auto found = loaded.find(identifier); found != loaded.end())
                found->second.stale = true;
        }
        scheduleNotification(false);
    }

    void sourcesChanged() { scheduleNotification(true); }

    // A burst of changes (a sync run, an import, a calendar added with its items) posts once,
    // 200 ms after the last change of the burst.
    bool pendingSourcesChange = false;
    void scheduleNotification(bool sources)
    {
        std::lock_guard lock(monitorMutex);
        pendingSourcesChange = pendingSourcesChange || sources;
        if (debounce) {
            g_source_destroy(debounce);
            g_source_unref(debounce);
        }
        debounce = g_timeout_source_new(200);
        auto* weak = new std::weak_ptr<State>(weak_from_this());
        g_source_set_callback(
            debounce,
            [](gpointer data) -> gboolean {
                if (auto state = static_cast<std::weak_ptr<State>*>(data)->lock())
                    state->notifyAfterChanges();
                return G_SOURCE_REMOVE;
            },
            weak, [](gpointer data) { delete static_cast<std::weak_ptr<State>*>(data); });
        g_source_attach(debounce, g_main_context_default());
    }

    void notifyAfterChanges()
    {
        bool sources;
        {
            std::lock_guard lock(monitorMutex);
            if (debounce) {
                g_source_unref(debounce);
                debounce = nullptr;
            }
            sources = pendingSourcesChange;
            pendingSourcesChange = false;
        }
        bool changed = true;
        if (sources) {
            // The registry also reports changes nobody sees (a refresh time, a password); only a
            // change of the calendars themselves, or of their items, is worth a reload.
            std::lock_guard lock(mutex);
            bool itemsChanged = std::any_of(loaded.begin(), loaded.end(), [](auto& entry) { return entry.second.stale; });
            std::optional<Catalog> before = catalog;
            catalogStale = true;
            changed = itemsChanged || !before || !(currentCatalog() == *before);
        }
        if (changed)
            NotificationCenter::defaultCenter().post(CalendarStore::changedNotification, owner.load());
    }

    void startWatchingSources()
    {
        if (!bridge || monitoring == Monitoring::off)
            return;
        std::weak_ptr<State> weak = weak_from_this();
        auto watch = bridge->watchSources([weak] {
            if (auto state = weak.lock())
                state->sourcesChanged();
        });
        std::lock_guard lock(monitorMutex);
        sourcesWatch = std::move(watch);
    }
};

EdsCalendarStore::EdsCalendarStore(std::shared_ptr<eds::Bridge> bridge, Monitoring monitoring, std::string unavailableReason)
    : m_state(std::make_shared<State>())
{
    m_state->bridge = std::move(bridge);
    m_state->unavailableReason = std::move(unavailableReason);
    m_state->monitoring = monitoring;
    m_state->localZone = IcuEnvironment::defaultTimeZoneIdentifier();
    m_state->owner = this;
    m_state->startWatchingSources();
}

EdsCalendarStore::EdsCalendarStore(std::shared_ptr<State> state)
    : m_state(std::move(state))
{
    m_state->owner = this;
    m_state->startWatchingSources();
}

EdsCalendarStore::~EdsCalendarStore()
{
    m_state->owner = nullptr;
    // The watches end here, so that no callback outlives the store that asked for it.
    {
        std::lock_guard lock(m_state->monitorMutex);
        m_state->sourcesWatch.reset();
    }
    std::lock_guard lock(m_state->mutex);
    for (auto& [identifier, calendar] : m_state->loaded)
        calendar.watch.reset();
}

AuthorizationStatus EdsCalendarStore::authorizationStatus(EntityType) const
{
    return m_state->bridge ? AuthorizationStatus::fullAccess : AuthorizationStatus::denied;
}

void EdsCalendarStore::requestFullAccess(EntityType, AccessCompletion completion)
{
    DispatchQueue::global().async([state = m_state, completion = std::move(completion)] {
        if (state->bridge)
            completion(true, std::nullopt);
        else
            completion(false,
                CalendarStoreError {
                    state->unavailableReason.empty() ? "Evolution Data Server is not reachable" : state->unavailableReason });
    });
}

StoreCalendarPointer EdsCalendarStore::calendar(const std::string& calendarIdentifier) const
{
    std::lock_guard lock(m_state->mutex);
    auto& catalog = m_state->currentCatalog();
    auto found = catalog.byIdentifier.find(calendarIdentifier);
    return found == catalog.byIdentifier.end() ? nullptr : found->second.calendar;
}

std::vector<StoreCalendarPointer> EdsCalendarStore::calendars(EntityType type) const
{
    std::lock_guard lock(m_state->mutex);
    auto& catalog = m_state->currentCatalog();
    return type == EntityType::event ? catalog.eventCalendars : catalog.reminderLists;
}

std::optional<StoreEvent> EdsCalendarStore::event(const std::string& eventIdentifier) const
{
    std::lock_guard lock(m_state->mutex);
    // Source UIDs may hold a colon themselves: the calendar is the one whose identifier and a
    // colon begin the event identifier.
    for (auto& calendar : m_state->currentCatalog().eventCalendars) {
        const std::string& prefix = calendar->calendarIdentifier;
        if (eventIdentifier.size() <= prefix.size() || eventIdentifier.compare(0, prefix.size(), prefix) != 0
            || eventIdentifier[prefix.size()] != ':')
            continue;
        std::string uid = eventIdentifier.substr(prefix.size() + 1);
        if (auto view = m_state->view(prefix)) {
            auto found = m_state->withItems([&](CalendarItemIndex& index) { return index.event(*view, uid); }, std::optional<StoreEvent>());
            if (found)
                return found;
        }
    }
    return std::nullopt;
}

std::optional<CalendarItem> EdsCalendarStore::calendarItem(const std::string& calendarItemIdentifier) const
{
    std::lock_guard lock(m_state->mutex);
    auto& state = *m_state;
    // Item identifiers name no calendar: the calendars read already are asked first, then every
    // calendar is read.
    for (bool readAll : { false, true }) {
        if (readAll) {
            std::vector<std::string> identifiers;
            for (auto& [identifier, entry] : state.currentCatalog().byIdentifier)
                identifiers.push_back(identifier);
            for (auto& identifier : identifiers)
                state.view(identifier);
        }
        auto found = state.withItems(
            [&](CalendarItemIndex& index) {
                return index.calendarItem(calendarItemIdentifier, [&](const std::string& key) -> std::optional<CalendarItemIndex::View> {
                    auto loaded = state.loaded.find(key);
                    auto entry = state.currentCatalog().byIdentifier.find(key);
                    if (loaded == state.loaded.end() || !loaded->second.loaded || loaded->second.stale
                        || entry == state.catalog->byIdentifier.end())
                        return std::nullopt;
                    return viewOf(key, entry->second);
                });
            },
            std::optional<CalendarItem>());
        if (found)
            return found;
    }
    return std::nullopt;
}

std::vector<StoreEvent> EdsCalendarStore::events(const EventPredicate& predicate) const
{
    std::vector<StoreEvent> result;
    {
        std::lock_guard lock(m_state->mutex);
        std::set<std::string> seen;
        std::vector<CalendarItemIndex::View> views;
        for (auto& identifier : predicate.calendarIdentifiers) {
            if (!seen.insert(identifier).second)
                continue;
            auto entry = m_state->currentCatalog().byIdentifier.find(identifier);
            if (entry == m_state->catalog->byIdentifier.end() || entry->second.kind != eds::CalendarKind::events)
                continue;
            if (auto view = m_state->view(identifier))
                views.push_back(std::move(*view));
        }
        result = m_state->withItems(
            [&](CalendarItemIndex& index) {
                std::vector<StoreEvent> found;
                index.collectEvents(views, predicate.startDate, predicate.endDate, found);
                return found;
            },
            std::vector<StoreEvent>());
    }
    std::stable_sort(result.begin(), result.end(), StoreOrdering::events);
    return result;
}

void EdsCalendarStore::fetchReminders(const ReminderPredicate& predicate, RemindersCompletion completion)
{
    DispatchQueue::global().async([state = m_state, predicate, completion = std::move(completion)] {
        std::vector<StoreReminder> result;
        {
            std::lock_guard lock(state->mutex);
            std::set<std::string> seen;
            std::vector<CalendarItemIndex::View> views;
            for (auto& identifier : predicate.calendarIdentifiers) {
                if (!seen.insert(identifier).second)
                    continue;
                auto entry = state->currentCatalog().byIdentifier.find(identifier);
                if (entry == state->catalog->byIdentifier.end() || entry->second.kind != eds::CalendarKind::tasks)
                    continue;
                if (auto view = state->view(identifier))
                    views.push_back(std::move(*view));
            }
            result
                = state->withItems([&](CalendarItemIndex& index) { return index.reminders(views, predicate.startDate, predicate.endDate); },
                    std::vector<StoreReminder>());
        }
        completion(std::move(result));
    });
}

void EdsCalendarStore::refreshSourcesIfNecessary()
{
    bool changed;
    {
        std::lock_guard lock(m_state->mutex);
        std::optional<Catalog> before = m_state->catalog;
        m_state->catalogStale = true;
        changed = before && !(m_state->currentCatalog() == *before);
        for (auto& [identifier, calendar] : m_state->loaded) {
            calendar.stale = true;
            calendar.failedAt.reset();
        }
    }
    if (changed)
        NotificationCenter::defaultCenter().post(CalendarStore::changedNotification, this);
}

std::vector<StoreSource> EdsCalendarStore::delegateSources() const
{
    return {};
}

std::unique_ptr<CalendarStore> EdsCalendarStore::makeStore(const std::vector<StoreSource>& sources) const
{
    auto state = std::make_shared<State>();
    state->bridge = m_state->bridge;
    state->unavailableReason = m_state->unavailableReason;
    state->monitoring = m_state->monitoring;
    state->localZone = m_state->localZone;
    state->onlyAccounts.emplace();
    for (auto& source : sources)
        state->onlyAccounts->insert(source.sourceIdentifier);
    return std::unique_ptr<CalendarStore>(new EdsCalendarStore(std::move(state)));
}

size_t EdsCalendarStore::loadCount() const
{
    return m_state->loads;
}

}
