#pragma once

#include <string>
#include <vector>

namespace tvk {

/// An account that calendars belong to: a directory under a calendar root. Its optional
/// `source.json` gives the title, whether the account's calendars are delegated to the user
/// by someone else, and the user's own addresses in that account.
struct StoreSource {
    std::string sourceIdentifier;
    std::string title;
    bool isDelegate = false;
    /// The user's addresses in this account, as URIs ("mailto:ada@example.com"), in the
    /// order `source.json` lists them.
    std::vector<std::string> ownerAddresses;

    bool operator==(const StoreSource&) const = default;
};

}
