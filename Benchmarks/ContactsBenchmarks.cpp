// A large address book, 2,000 contacts in one vdir file each as vdirsyncer writes them (one in
// ten with a JPEG picture), and an invitation with 20 participants. The participants of an
// event are resolved with one lookup each, and every lookup checks the files for changes.

#include "Platform/Contacts/ContactImage.hpp"
#include "Platform/Contacts/ContactStore.hpp"
#include "Platform/Runtime/IcuEnvironment.hpp"
#include "TVKCore/Contacts/ContactsStore.hpp"
#include "TVKCore/DeepLinks/DeepLinkBuilder.hpp"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

using namespace tvk;

namespace {

constexpr int contactCount = 2000;

/// A small JPEG like those phones attach to contacts, base64.
const char* pictureBase64()
{
    static std::string text = [] {
        std::string path = std::string(TVK_CONTACT_FIXTURES) + "/avatar-48x40-gradient.jpg";
        std::ifstream file(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out;
        for (size_t i = 0; i < bytes.size(); i += 3) {
            unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
            if (i + 1 < bytes.size())
                value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
            if (i + 2 < bytes.size())
                value |= static_cast<unsigned char>(bytes[i + 2]);
            out += alphabet[(value >> 18) & 63];
            out += alphabet[(value >> 12) & 63];
            out += i + 1 < bytes.size() ? alphabet[(value >> 6) & 63] : '=';
            out += i + 2 < bytes.size() ? alphabet[value & 63] : '=';
        }
        return out;
    }();
    return text.c_str();
}

const std::filesystem::path& contactsRoot()
{
    static std::filesystem::path root = [] {
        IcuEnvironment::configure("Europe/Berlin", "en_US");
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvik-contacts-bench-XXXXXX").string();
        ::mkdtemp(pattern.data());
        std::filesystem::path path(pattern);
        auto book = path / "account" / "contacts";
        std::filesystem::create_directories(book);
        for (int i = 0; i < contactCount; ++i) {
            std::ofstream file(book / ("contact-" + std::to_string(i) + ".vcf"));
            file << "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:contact-" << i << "\r\nN:Family" << i << ";Given" << i << ";;;\r\nFN:Given" << i
                 << " Family" << i << "\r\nEMAIL;TYPE=INTERNET:person" << i << "@example.com\r\nTEL:+49 30 " << i << "\r\n";
            if (i % 10 == 0)
                file << "PHOTO;ENCODING=b;TYPE=JPEG:" << pictureBase64() << "\r\n";
            file << "END:VCARD\r\n";
        }
        return path;
    }();
    return root;
}

Event invitation()
{
    Event event;
    for (int i = 0; i < 20; ++i) {
        // Half of them in the address book, half strangers.
        std::string email
            = i % 2 == 0 ? "person" + std::to_string(i * 97) + "@example.com" : "stranger" + std::to_string(i) + "@example.org";
        event.participantsData.edit().push_back(Event::ParticipantData { .name = "Participant " + std::to_string(i),
            .email = email,
            .contactPredicate = ContactPredicate { email, std::nullopt },
            .isOrganizer = i == 0 });
    }
    return event;
}

void ContactStoreFirstScan(benchmark::State& state)
{
    auto& root = contactsRoot();
    std::array keys { ContactKey::givenName };
    for (auto _ : state) {
        ContactStore store({ root });
        benchmark::DoNotOptimize(store.unifiedContacts(ContactPredicate { "person7@example.com", std::nullopt }, keys));
    }
}
BENCHMARK(ContactStoreFirstScan)->Unit(benchmark::kMillisecond);

void ContactStoreLookupWhenNothingChanged(benchmark::State& state)
{
    ContactStore store({ contactsRoot() });
    std::array keys { ContactKey::givenName, ContactKey::familyName, ContactKey::thumbnailImageData };
    int i = 0;
    for (auto _ : state) {
        auto found = store.unifiedContacts(
            ContactPredicate { "person" + std::to_string(i++ % contactCount) + "@example.com", std::nullopt }, keys);
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(ContactStoreLookupWhenNothingChanged)->Unit(benchmark::kMicrosecond);

/// What a lookup costs when the files are due to be looked at again (every two seconds).
void ContactStoreLookupCheckingEveryFile(benchmark::State& state)
{
    ContactStore store({ contactsRoot() }, std::chrono::milliseconds(0));
    std::array keys { ContactKey::givenName };
    for (auto _ : state)
        benchmark::DoNotOptimize(store.unifiedContacts(ContactPredicate { "person7@example.com", std::nullopt }, keys));
}
BENCHMARK(ContactStoreLookupCheckingEveryFile)->Unit(benchmark::kMillisecond);

void ParticipantsOfATwentyPersonInvitation(benchmark::State& state)
{
    ContactsStore contacts(std::make_unique<ContactStore>(std::vector { contactsRoot() }));
    auto event = invitation();
    for (auto _ : state)
        benchmark::DoNotOptimize(contacts.participants(event));
}
BENCHMARK(ParticipantsOfATwentyPersonInvitation)->Unit(benchmark::kMillisecond);

void ContactPictureDecode(benchmark::State& state)
{
    std::string path = std::string(TVK_CONTACT_FIXTURES) + "/avatar-48x40-gradient.jpg";
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (auto _ : state)
        benchmark::DoNotOptimize(ContactImage::decode(bytes));
}
BENCHMARK(ContactPictureDecode)->Unit(benchmark::kMicrosecond);

void DeepLinkRoundTrip(benchmark::State& state)
{
    std::string identifier = "96ADE0C6-7464-5240-85BD-55ADAA1E7FFC:review/2026-12-07#1@caldav.example.com";
    for (auto _ : state)
        benchmark::DoNotOptimize(DeepLinkBuilder::make(JoinCallDeepLink(identifier).url()));
}
BENCHMARK(DeepLinkRoundTrip)->Unit(benchmark::kMicrosecond);

}
