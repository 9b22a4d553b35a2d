// Participant lookup in the address books of a real, private Evolution Data Server, next to
// vCard folders.

#include "Platform/Contacts/ContactStore.hpp"
#include "Platform/Contacts/EdsAddressBooks.hpp"
#include "Platform/Eds/EdsModule.hpp"
#include "Tests/Support/EdsFixture.hpp"
#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <array>

using namespace tvk;
using tvk::test::EdsFixture;

namespace {

// A 1×1 PNG, as an address book stores a contact's picture inline.
constexpr char pngBase64[] = "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC";

std::string card(const std::string& uid, const std::string& given, const std::string& family, const std::string& email, bool photo = false)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + given + " " + family + "\r\nN:" + family + ";" + given
        + ";;;\r\nEMAIL;TYPE=WORK:" + email + "\r\n" + (photo ? std::string("PHOTO;ENCODING=b;TYPE=PNG:") + pngBase64 + "\r\n" : "")
        + "END:VCARD\r\n";
}

constexpr std::array allKeys { ContactKey::givenName, ContactKey::familyName, ContactKey::emailAddresses, ContactKey::thumbnailImageData };
constexpr std::array namesOnly { ContactKey::givenName, ContactKey::familyName };

class EdsAddressBooksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto ready = eds.connect()
                         .and_then([&] { return eds.addAddressBook("colleagues", "local-stub", "Colleagues"); })
                         .and_then([&] { return eds.addContact("colleagues", card("priya", "Priya", "Shah", "Priya.Shah@example.com", true)); })
                         .and_then([&] { return eds.addContact("colleagues", card("jonas", "Jonas", "Berg", "jonas@example.org")); });
        ASSERT_TRUE(ready) << ready.error();
        auto bridge = EdsModule::bridge();
        ASSERT_TRUE(bridge) << bridge.error();
        this->bridge = *bridge;
    }

    EdsFixture eds;
    std::shared_ptr<eds::Bridge> bridge;
};

TEST_F(EdsAddressBooksTest, FindsACardByAddressWhateverTheLetterCaseAndByFullNameWithTheKeysAskedFor)
{
    EdsAddressBooks books(bridge);
    auto byAddress = books.unifiedContacts(ContactPredicate { "priya.shah@EXAMPLE.com", std::nullopt }, allKeys);
    ASSERT_TRUE(byAddress) << byAddress.error().message;
    ASSERT_EQ(byAddress->size(), 1u);
    EXPECT_EQ(byAddress->front().identifier, "priya");
    EXPECT_EQ(byAddress->front().givenName, "Priya");
    EXPECT_EQ(byAddress->front().familyName, "Shah");
    EXPECT_EQ(byAddress->front().emailAddresses, std::vector<std::string> { "Priya.Shah@example.com" });
    ASSERT_TRUE(byAddress->front().thumbnailImageData);
    EXPECT_EQ(byAddress->front().thumbnailImageData->size(), 69u) << "the picture's bytes, decoded";

    auto byName = books.unifiedContacts(ContactPredicate { std::nullopt, "Jonas Berg" }, namesOnly);
    ASSERT_TRUE(byName);
    ASSERT_EQ(byName->size(), 1u);
    EXPECT_EQ(byName->front().familyName, "Berg");
    EXPECT_TRUE(byName->front().emailAddresses.empty()) << "only the keys asked for";
    EXPECT_FALSE(byName->front().thumbnailImageData);

    auto nobody = books.unifiedContacts(ContactPredicate { "nobody@example.com", "Priya Shah" }, allKeys);
    ASSERT_TRUE(nobody);
    EXPECT_TRUE(nobody->empty()) << "an address that matches nothing is not retried by name";
}

TEST_F(EdsAddressBooksTest, TheFilesCardsComeFirstAndTheDesktopsFollowWithoutTheSameCardTwice)
{
    test::TemporaryDirectory contacts;
    contacts.write("work/book/priya.vcf", card("priya", "Priya", "Shah-Files", "priya.shah@example.com"));
    contacts.write("work/book/other.vcf", card("another-priya", "P.", "Shah", "priya.shah@example.com"));
    ContactStore store({ contacts.path() }, ContactStore::defaultRecheckInterval, std::make_unique<EdsAddressBooks>(bridge));

    auto found = store.unifiedContacts(ContactPredicate { "Priya.Shah@example.com", std::nullopt }, namesOnly);
    ASSERT_TRUE(found) << found.error().message;
    std::vector<std::string> names;
    for (auto& contact : *found)
        names.push_back(contact.identifier + ":" + contact.familyName);
    EXPECT_EQ(names, (std::vector<std::string> { "another-priya:Shah", "priya:Shah-Files" }));

    auto onlyInEds = store.unifiedContacts(ContactPredicate { "jonas@example.org", std::nullopt }, namesOnly);
    ASSERT_TRUE(onlyInEds);
    ASSERT_EQ(onlyInEds->size(), 1u);
    EXPECT_EQ(onlyInEds->front().givenName, "Jonas");
}

TEST_F(EdsAddressBooksTest, WithoutAnyVCardFolderTheDesktopsBooksGrantAccessAndAnswer)
{
    test::TemporaryDirectory home;
    ContactStore store({ home.path() / "nowhere" }, ContactStore::defaultRecheckInterval, std::make_unique<EdsAddressBooks>(bridge));
    EXPECT_EQ(store.authorizationStatus(), ContactsAuthorizationStatus::authorized);
    auto found = store.unifiedContacts(ContactPredicate { "jonas@example.org", std::nullopt }, namesOnly);
    ASSERT_TRUE(found) << found.error().message;
    EXPECT_EQ(found->size(), 1u);
}

}
