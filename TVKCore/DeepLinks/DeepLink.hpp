#pragma once

#include "Platform/Text/Url.hpp"
#include "TVKCore/DeepLinks/DeepLinkDestination.hpp"

#include <concepts>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace tvk {

namespace deep_link_detail {
/// "tarvik://<destination>/<event id as one path segment>".
Url makeUrl(DeepLinkDestination destination, std::string_view eventID);
/// The first non-empty segment of the path, percent-decoded; none when there is none. A "%"
/// that starts no escape is itself: the URL parser has written it as "%25" already, so
/// ".../100%" and ".../a%zz" read as "100%" and "a%zz".
std::optional<std::string> eventID(const UrlComponents& components);
}

/// A link that asks the main application to act on one event: the event's id under the
/// destination that the type fixes.
///
/// The URL is "tarvik://<destination>/<event id>", the id as a single path segment. Event ids
/// are free text ("<calendar>:<UID>", and UIDs of calendar servers hold "/", "%", "#", "?",
/// blanks, anything), so every byte that a path segment cannot carry is percent-encoded, "/"
/// included: an id never spills into a second segment, a query or a fragment. A segment of
/// only dots is encoded too, so that no URL library resolves it away as "." or "..".
///
/// Reading splits the encoded path at "/" before decoding and takes the first non-empty
/// segment, so links that spelled a "/" of the id as a plain separator (as links were once
/// written) still read as the id's part before it.
template <DeepLinkDestination Destination> struct EventDeepLink {
    static constexpr DeepLinkDestination destination = Destination;
    std::string eventID;

    explicit EventDeepLink(std::string eventID)
        : eventID(std::move(eventID))
    {
    }

    Url url() const { return deep_link_detail::makeUrl(destination, eventID); }

    /// The link that URL components describe, read as `DeepLinkBuilder` does once it has
    /// chosen the type by the host; none without an event id in the path. The destination is
    /// the type's own, not read again from the components.
    static std::optional<EventDeepLink> make(const UrlComponents& components)
    {
        auto eventID = deep_link_detail::eventID(components);
        if (!eventID)
            return std::nullopt;
        return EventDeepLink(std::move(*eventID));
    }

    bool operator==(const EventDeepLink&) const = default;
};

/// Show the event.
using PreviewEventDeepLink = EventDeepLink<DeepLinkDestination::preview>;
/// Show the event in the calendar.
using ViewEventInCalendarDeepLink = EventDeepLink<DeepLinkDestination::viewInCalendar>;
/// Join the event's video call.
using JoinCallDeepLink = EventDeepLink<DeepLinkDestination::joinCall>;

/// What every deep link offers: equality, its destination and its URL.
template <typename T>
concept DeepLinkType = std::equality_comparable<T> && requires(const T& link)
{
    {
        T::destination
        } -> std::convertible_to<DeepLinkDestination>;
    {
        link.url()
        } -> std::same_as<Url>;
};

/// A deep link that can be read back from the components of its URL.
template <typename T>
concept DeepLinkUrlComponentsInitializing = requires(const UrlComponents& components)
{
    {
        T::make(components)
        } -> std::same_as<std::optional<T>>;
};

/// Any of the three links; the alternative held tells the destination.
using DeepLink = std::variant<PreviewEventDeepLink, ViewEventInCalendarDeepLink, JoinCallDeepLink>;

DeepLinkDestination destination(const DeepLink& link);
const std::string& eventID(const DeepLink& link);
Url url(const DeepLink& link);
/// The link of `destination` for an event.
DeepLink makeDeepLink(DeepLinkDestination destination, std::string eventID);

}
