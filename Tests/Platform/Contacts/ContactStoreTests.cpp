#include "Platform/Contacts/ContactStore.hpp"

#include "Tests/Support/TemporaryDirectory.hpp"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <future>
#include <unistd.h>

using namespace tvk;
using tvk::test::TemporaryDirectory;

namespace {

constexpr std::array allKeys { ContactKey::givenName, ContactKey::familyName, ContactKey::emailAddresses, ContactKey::thumbnailImageData };

std::string fixture(const std::string& name)
{
    return tvk::test::readFile(std::filesystem::path(TVK_TEST_FIXTURES) / name);
}

ContactPredicate byEmail(std::string email)
{
    return ContactPredicate { std::move(email), std::nullopt };
}

/// A vdirsyncer address book: one account with two books, and a book of another account.
struct AddressBooks {
    TemporaryDirectory root;

    AddressBooks()
    {
        root.write("work/contacts/5C5A7E6B.vcf", fixture("apple-contacts-3.0-folded-jpeg-photo.vcf"));
        root.write("work/contacts/google.vcf", fixture("google-contacts-export-3.0-three-cards.vcf"));
        root.write("work/colleagues/zola.VCF", fixture("nextcloud-4.0-data-uri-png-photo.vcf"));
        root.write("phone/default/android.vcf", fixture("android-2.1-quoted-printable-latin1-gif.vcf"));
        root.write("phone/default/.hidden/ignored.vcf", "BEGIN:VCARD\nFN:Hidden\nEMAIL:hidden@example.com\nEND:VCARD\n");
        root.write("phone/default/deeper/too-deep.vcf", "BEGIN:VCARD\nFN:Deep\nEMAIL:deep@example.com\nEND:VCARD\n");
        root.write("phone/default/notes.txt", "BEGIN:VCARD\nFN:Text\nEMAIL:text@example.com\nEND:VCARD\n");
    }
};

std::vector<StoreContact> lookup(const ContactStore& store, const ContactPredicate& predicate)
{
    auto found = store.unifiedContacts(predicate, allKeys);
    EXPECT_TRUE(found) << (found ? "" : found.error().message);
    return found.value_or(std::vector<StoreContact> {});
}

}

TEST(ContactStore, FindsCardsByEmailWithoutRegardToLetterCaseAcrossTheVdirLayout)
{
    AddressBooks books;
    ContactStore store({ books.root.path() });
    auto ada = lookup(store, byEmail("ADA@example.com"));
    ASSERT_EQ(ada.size(), 1u);
    EXPECT_EQ(ada[0].identifier, "5C5A7E6B-9E4F-4C43-8D61-AB12CD34EF56");
    EXPECT_EQ(ada[0].givenName, "Ada");
    EXPECT_EQ(ada[0].familyName, "Lovelace");
    EXPECT_TRUE(ada[0].thumbnailImageData);

    EXPECT_EQ(lookup(store, byEmail("grace.hopper@example.net")).size(), 1u);
    EXPECT_EQ(lookup(store, byEmail("emile.zola@example.fr")).at(0).givenName, "Émile") << "an upper-case extension is a vCard file too";
    EXPECT_EQ(lookup(store, byEmail("juergen@example.de")).at(0).familyName, "Müller-Lüdenscheidt");
    EXPECT_TRUE(lookup(store, byEmail("nobody@example.com")).empty());
    EXPECT_TRUE(lookup(store, byEmail("hidden@example.com")).empty()) << "hidden directories are not address books";
    EXPECT_TRUE(lookup(store, byEmail("deep@example.com")).empty()) << "deeper than <root>/<source>/<book>";
    EXPECT_TRUE(lookup(store, byEmail("text@example.com")).empty());
}

TEST(ContactStore, WithoutAnAddressThePredicateMatchesTheWholeNameAndNothingElse)
{
    AddressBooks books;
    ContactStore store({ books.root.path() });
    EXPECT_EQ(lookup(store, ContactPredicate { std::nullopt, "alan turing" }).size(), 1u);
    EXPECT_EQ(lookup(store, ContactPredicate { std::nullopt, "Chloé Dupont" }).size(), 1u);
    EXPECT_TRUE(lookup(store, ContactPredicate { std::nullopt, "Alan" }).empty());
    EXPECT_TRUE(lookup(store, ContactPredicate { std::nullopt, std::nullopt }).empty());
    EXPECT_TRUE(lookup(store, ContactPredicate { "stranger@example.com", "Alan Turing" }).empty())
        << "an address that finds nobody does not fall back to the name";
}

TEST(ContactStore, HandsOutOnlyTheKeysAskedFor)
{
    AddressBooks books;
    ContactStore store({ books.root.path() });
    std::array keys { ContactKey::givenName };
    auto found = store.unifiedContacts(byEmail("ada@example.com"), keys);
    ASSERT_TRUE(found);
    ASSERT_EQ(found->size(), 1u);
    EXPECT_EQ(found->at(0).givenName, "Ada");
    EXPECT_EQ(found->at(0).familyName, "");
    EXPECT_TRUE(found->at(0).emailAddresses.empty());
    EXPECT_FALSE(found->at(0).thumbnailImageData);
}

TEST(ContactStore, CardsSharingAUidAreOneContactWithTheAddressesOfBoth)
{
    TemporaryDirectory root;
    root.write("a/book/one.vcf", "BEGIN:VCARD\nVERSION:3.0\nUID:same\nN:Lovelace;Ada;;;\nEMAIL:ada@example.com\nEND:VCARD\n");
    root.write("b/book/two.vcf",
        "BEGIN:VCARD\nVERSION:3.0\nUID:same\nN:King;Augusta;;;\nEMAIL:ada@example.org\nPHOTO;ENCODING=b:R0lG\nEND:VCARD\n");
    ContactStore store({ root.path() });
    auto all = store.allContacts();
    ASSERT_TRUE(all);
    ASSERT_EQ(all->size(), 1u);
    EXPECT_EQ(all->at(0).givenName, "Ada") << "the first card in path order wins";
    EXPECT_EQ(all->at(0).emailAddresses, (std::vector<std::string> { "ada@example.com", "ada@example.org" }));
    EXPECT_TRUE(all->at(0).thumbnailImageData) << "a field the first card lacks comes from the second";
    EXPECT_EQ(lookup(store, byEmail("ada@example.org")).at(0).identifier, "same");
}

TEST(ContactStore, SeesChangedFilesAtTheNextLookupAndParsesNothingElseAgain)
{
    TemporaryDirectory root;
    root.write("me/book/ada.vcf", "BEGIN:VCARD\nUID:ada\nN:Lovelace;Ada;;;\nEMAIL:ada@example.com\nEND:VCARD\n");
    root.write("me/book/alan.vcf", "BEGIN:VCARD\nUID:alan\nN:Turing;Alan;;;\nEMAIL:alan@example.com\nEND:VCARD\n");
    ContactStore store({ root.path() });
    EXPECT_EQ(lookup(store, byEmail("ada@example.com")).size(), 1u);
    EXPECT_EQ(store.parseCount(), 2u);
    EXPECT_EQ(lookup(store, byEmail("alan@example.com")).size(), 1u);
    EXPECT_EQ(store.parseCount(), 2u) << "nothing changed, nothing parsed";

    // An atomic save, as vdirsyncer does it: a new file renamed over the old one.
    root.write("me/book/.ada.tmp", "BEGIN:VCARD\nUID:ada\nN:Byron;Ada;;;\nEMAIL:ada@example.com\nEND:VCARD\n");
    std::filesystem::rename(root / "me/book/.ada.tmp", root / "me/book/ada.vcf");
    EXPECT_EQ(lookup(store, byEmail("ada@example.com")).at(0).familyName, "Byron");
    EXPECT_EQ(store.parseCount(), 3u);

    std::filesystem::remove(root / "me/book/alan.vcf");
    EXPECT_TRUE(lookup(store, byEmail("alan@example.com")).empty());
}

TEST(ContactStore, ACardEditedInPlaceIsSeenOnceTheFilesAreLookedAtAgain)
{
    TemporaryDirectory root;
    auto file = root.write("me/book/ada.vcf", "BEGIN:VCARD\nUID:ada\nN:Lovelace;Ada;;;\nEMAIL:ada@example.com\nEND:VCARD\n");
    ContactStore everyTime({ root.path() }, std::chrono::milliseconds(0));
    ContactStore rarely({ root.path() }, std::chrono::hours(1));
    EXPECT_EQ(lookup(everyTime, byEmail("ada@example.com")).at(0).familyName, "Lovelace");
    EXPECT_EQ(lookup(rarely, byEmail("ada@example.com")).at(0).familyName, "Lovelace");

    {
        // The same inode, written over: the directory does not change. The length changes, so
        // the identity does even within one tick of a coarse clock.
        std::ofstream stream(file, std::ios::binary | std::ios::trunc);
        stream << "BEGIN:VCARD\nUID:ada\nN:Byron;Augusta Ada;;;\nEMAIL:ada@example.com\nEND:VCARD\n";
    }
    EXPECT_EQ(lookup(everyTime, byEmail("ada@example.com")).at(0).familyName, "Byron");
    EXPECT_EQ(lookup(rarely, byEmail("ada@example.com")).at(0).familyName, "Lovelace") << "not looked at again yet";
}

TEST(ContactStore, AccessFollowsWhetherTheRootsCanBeRead)
{
    TemporaryDirectory home;
    ContactStore missing({ home / "nowhere" });
    EXPECT_EQ(missing.authorizationStatus(), ContactsAuthorizationStatus::notDetermined);
    auto failed = missing.unifiedContacts(byEmail("ada@example.com"), allKeys);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().code, ContactStoreError::Code::accessDenied);

    std::promise<std::pair<bool, std::optional<ContactStoreError>>> answer;
    missing.requestAccess([&](bool granted, std::optional<ContactStoreError> error) { answer.set_value({ granted, error }); });
    auto [granted, error] = answer.get_future().get();
    EXPECT_FALSE(granted);
    EXPECT_FALSE(error);

    auto file = home.write("contacts-file", "not a directory");
    ContactStore notADirectory({ file });
    EXPECT_EQ(notADirectory.authorizationStatus(), ContactsAuthorizationStatus::denied);
    std::promise<std::pair<bool, std::optional<ContactStoreError>>> refused;
    notADirectory.requestAccess([&](bool granted, std::optional<ContactStoreError> error) { refused.set_value({ granted, error }); });
    auto [refusedGranted, refusedError] = refused.get_future().get();
    EXPECT_FALSE(refusedGranted);
    ASSERT_TRUE(refusedError);
    EXPECT_NE(refusedError->message.find("not a directory"), std::string::npos);

    std::filesystem::create_directories(home / "contacts");
    ContactStore readable({ home / "nowhere", home / "contacts" });
    EXPECT_EQ(readable.authorizationStatus(), ContactsAuthorizationStatus::authorized);
    std::promise<bool> accepted;
    readable.requestAccess([&](bool granted, std::optional<ContactStoreError>) { accepted.set_value(granted); });
    EXPECT_TRUE(accepted.get_future().get());
    EXPECT_TRUE(readable.unifiedContacts(byEmail("ada@example.com"), allKeys)) << "an empty address book is no failure";
}

TEST(ContactStore, AnUnreadableRootIsDeniedForOrdinaryUsers)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser reads every directory";
    TemporaryDirectory home;
    std::filesystem::create_directories(home / "contacts");
    std::filesystem::permissions(home / "contacts", std::filesystem::perms::none);
    ContactStore store({ home / "contacts" });
    EXPECT_EQ(store.authorizationStatus(), ContactsAuthorizationStatus::denied);
    EXPECT_FALSE(store.unifiedContacts(byEmail("ada@example.com"), allKeys));
    std::filesystem::permissions(home / "contacts", std::filesystem::perms::owner_all);
}
