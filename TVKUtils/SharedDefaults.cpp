#include "TVKUtils/SharedDefaults.hpp"

#include <string>

namespace tvk {

UserDefaults& sharedUserDefaults()
{
    // Not kept: the domain follows the configuration directory, as the standard one does, and
    // `UserDefaults` keeps one object per file anyway.
    return UserDefaults::suite(std::string(sharedSuiteName));
}

UserDefaults& userDefaults(DefaultsSuite suite)
{
    return suite == DefaultsSuite::shared ? sharedUserDefaults() : UserDefaults::standard();
}

}
