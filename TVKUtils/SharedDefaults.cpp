#include "TVKUtils/SharedDefaults.hpp"

#include <string>

namespace tvk {

UserDefaults& sharedUserDefaults()
{
    static UserDefaults& shared = UserDefaults::suite(std::string(sharedSuiteName));
    return shared;
}

UserDefaults& userDefaults(DefaultsSuite suite)
{
    return suite == DefaultsSuite::shared ? sharedUserDefaults() : UserDefaults::standard();
}

}
