// Generates the typed accessors of the string catalog (namespace tvk::L10n) from its English
// table, at build time:
//
//     tvk-l10ngen <en.lproj/Localizable.strings> <output directory>
//
// writes <output directory>/TVKLocalization/L10n.hpp and L10n.cpp. Every key becomes one
// function; its dotted segments but the last become nested namespaces (first letter upper
// case), the last the function (first word lower case): "TimeFormat.extraShort.tomorrow" →
// L10n::TimeFormat::ExtraShort::tomorrow(), "Alert.1minute" → L10n::Alert::_1minute(),
// "OpenSystemPreferences_legacy" → L10n::openSystemPreferencesLegacy(), "iOS.x" → L10n::Ios::x().
// A text with placeholders gets one parameter per argument, in argument order: std::string_view
// for "%@", std::int64_t for "%d", "%i", "%lld" and the other integer conversions.
//
// A text with plural forms ("key|one", "key|other", ...; see PluralRules) makes one accessor
// for its key, whose first parameter is the count that chooses the form; the forms may show it
// as their first argument ("%lld more events") or leave it out ("days"). Its "other" form is
// required, and every form's arguments must be a leading part of the accessor's parameters.
//
// Files are rewritten only when their content changes, so an edit of a translation that keeps
// the English table as it was rebuilds nothing.

#include "Platform/Text/PluralRules.hpp"
#include "Platform/Text/StringFormat.hpp"
#include "Platform/Text/StringsFile.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace tvk;

namespace {

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool isIdentifierCharacter(char c)
{
    return isAsciiLetter(c) || isAsciiDigit(c) || c == '_';
}
char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> pieces;
    std::string piece;
    for (char c : text) {
        if (c == separator) {
            pieces.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    pieces.push_back(piece);
    return pieces;
}

/// The "pretty" identifier of a segment: characters that cannot be in an identifier split it
/// into chunks, each chunk and each snake-case part gets an upper-case first letter and the
/// parts are joined ("extraShort" → "ExtraShort", "x_legacy" → "XLegacy"); a segment without
/// any lower-case letter is read as one word ("iOS" → "IOS" → "Ios", "URL_LIST" → "UrlList");
/// a leading digit gets an underscore ("1minute" → "_1minute").
std::string prettyIdentifier(const std::string& segment)
{
    std::string joined;
    std::string chunk;
    auto flush = [&] {
        if (chunk.empty())
            return;
        chunk[0] = upper(chunk[0]);
        if (!joined.empty())
            joined += '_';
        joined += chunk;
        chunk.clear();
    };
    for (char c : segment) {
        if (isIdentifierCharacter(c))
            chunk += c;
        else
            flush();
    }
    flush();

    bool hasLowercase = std::any_of(joined.begin(), joined.end(), [](char c) { return c >= 'a' && c <= 'z'; });
    std::string camel;
    for (auto part : split(joined, '_')) {
        if (part.empty())
            continue;
        if (hasLowercase) {
            part[0] = upper(part[0]);
        } else {
            std::transform(part.begin(), part.end(), part.begin(), lower);
            part[0] = upper(part[0]);
        }
        camel += part;
    }
    if (!camel.empty() && isAsciiDigit(camel[0]))
        camel.insert(camel.begin(), '_');
    return camel;
}

/// Lower-cases the leading run of capitals, keeping the last one when it starts the next word
/// ("URLString" → "urlString", "OpenSettings" → "openSettings", "IOS" → "ios").
std::string lowerFirstWord(std::string name)
{
    std::size_t run = 0;
    while (run < name.size() && name[run] >= 'A' && name[run] <= 'Z')
        ++run;
    if (run > 1 && run < name.size() && name[run] >= 'a' && name[run] <= 'z')
        --run;
    for (std::size_t i = 0; i < run; ++i)
        name[i] = lower(name[i]);
    return name;
}

const std::set<std::string>& cppKeywords()
{
    static const std::set<std::string> keywords {
        "alignas",
        "alignof",
        "and",
        "and_eq",
        "asm",
        "auto",
        "bitand",
        "bitor",
        "bool",
        "break",
        "case",
        "catch",
        "char",
        "char8_t",
        "char16_t",
        "char32_t",
        "class",
        "compl",
        "concept",
        "const",
        "consteval",
        "constexpr",
        "constinit",
        "const_cast",
        "continue",
        "co_await",
        "co_return",
        "co_yield",
        "decltype",
        "default",
        "delete",
        "do",
        "double",
        "dynamic_cast",
        "else",
        "enum",
        "explicit",
        "export",
        "extern",
        "false",
        "float",
        "for",
        "friend",
        "goto",
        "if",
        "inline",
        "int",
        "long",
        "mutable",
        "namespace",
        "new",
        "noexcept",
        "not",
        "not_eq",
        "nullptr",
        "operator",
        "or",
        "or_eq",
        "private",
        "protected",
        "public",
        "register",
        "reinterpret_cast",
        "requires",
        "return",
        "short",
        "signed",
        "sizeof",
        "static",
        "static_assert",
        "static_cast",
        "struct",
        "switch",
        "template",
        "this",
        "thread_local",
        "throw",
        "true",
        "try",
        "typedef",
        "typeid",
        "typename",
        "union",
        "unsigned",
        "using",
        "virtual",
        "void",
        "volatile",
        "wchar_t",
        "while",
        "xor",
        "xor_eq",
        // Names the generated code itself uses inside the namespaces.
        "std",
        "tvk",
        "detail",
        "allAccessors",
        "accessor",
        "localizedText",
        "Accessor",
        "FormatArgument",
        "FormatArgumentKind",
        "PluralForm",
        "PluralCategory",
    };
    return keywords;
}

std::string escapedKeyword(std::string name)
{
    if (cppKeywords().contains(name))
        name += '_';
    return name;
}

std::string cppStringLiteral(const std::string& text)
{
    std::string literal = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            literal += '\\';
            literal += static_cast<char>(c);
        } else if (c == '?') {
            literal += "\\?";
        } else if (c < 0x20 || c == 0x7F) {
            char octal[5];
            std::snprintf(octal, sizeof octal, "\\%03o", c);
            literal += octal;
        } else {
            literal += static_cast<char>(c);
        }
    }
    return literal + "\"";
}

std::string commentText(const std::string& text)
{
    std::string comment;
    for (char c : text) {
        if (c == '\n')
            comment += "\\n";
        else if (c == '\r' || c == '\t')
            comment += ' ';
        else
            comment += c;
    }
    return comment;
}

struct AccessorDefinition {
    std::string key;
    /// The text; for plural forms, the "other" form.
    std::string english;
    /// Empty for a text without plural forms.
    std::vector<std::pair<PluralCategory, std::string>> pluralForms;
    std::size_t line = 0;
    std::string name;
    std::vector<std::string> namespaces;
    std::vector<FormatArgumentKind> arguments;
};

/// Makes the count the first parameter of a text with plural forms and checks its forms
/// against the parameters; false after reporting what is wrong.
template <typename Report> bool pluralArguments(AccessorDefinition& accessor, Report& report)
{
    bool hasOther = std::any_of(
        accessor.pluralForms.begin(), accessor.pluralForms.end(), [](const auto& form) { return form.first == PluralCategory::other; });
    if (!hasOther) {
        report(accessor.line, "the plural forms of \"" + accessor.key + "\" lack the \"other\" form, which every language has");
        return false;
    }
    if (accessor.arguments.empty())
        accessor.arguments.push_back(FormatArgumentKind::integer);
    if (accessor.arguments.front() != FormatArgumentKind::integer) {
        report(accessor.line, "the first argument of \"" + accessor.key + "\" must be the count that chooses its plural form");
        return false;
    }
    for (const auto& [category, text] : accessor.pluralForms) {
        auto kinds = StringFormat::argumentKinds(text);
        bool fits
            = kinds && kinds->size() <= accessor.arguments.size() && std::equal(kinds->begin(), kinds->end(), accessor.arguments.begin());
        if (!fits) {
            report(accessor.line,
                "the \"" + std::string(PluralRules::name(category)) + "\" form of \"" + accessor.key
                    + "\" takes other arguments than its \"other\" form");
            return false;
        }
    }
    return true;
}

std::string pluralCategoryName(PluralCategory category)
{
    return "PluralCategory::" + std::string(PluralRules::name(category));
}

struct NamespaceNode {
    std::string name;
    std::vector<std::unique_ptr<NamespaceNode>> children;
    std::vector<const AccessorDefinition*> accessors;

    NamespaceNode* child(const std::string& childName)
    {
        for (auto& existing : children)
            if (existing->name == childName)
                return existing.get();
        children.push_back(std::make_unique<NamespaceNode>());
        children.back()->name = childName;
        return children.back().get();
    }
};

std::string parameterList(const AccessorDefinition& accessor)
{
    std::string parameters;
    for (std::size_t i = 0; i < accessor.arguments.size(); ++i) {
        if (i > 0)
            parameters += ", ";
        parameters += accessor.arguments[i] == FormatArgumentKind::text ? "std::string_view" : "std::int64_t";
        parameters += " p" + std::to_string(i + 1);
    }
    return parameters;
}

void writeDeclarations(std::ostream& out, const NamespaceNode& node, const std::string& indent)
{
    for (const auto* accessor : node.accessors) {
        if (accessor->pluralForms.empty()) {
            out << indent << "/// \"" << commentText(accessor->english) << "\"\n";
        } else {
            out << indent << "/// By the count:";
            for (const auto& [category, text] : accessor->pluralForms)
                out << " " << PluralRules::name(category) << " \"" << commentText(text) << "\"";
            out << "\n";
        }
        out << indent << "std::string " << accessor->name << "(" << parameterList(*accessor) << ");\n";
    }
    for (const auto& child : node.children) {
        out << indent << "namespace " << child->name << " {\n";
        writeDeclarations(out, *child, indent + "    ");
        out << indent << "}\n";
    }
}

std::string qualifiedName(const AccessorDefinition& accessor)
{
    std::string name;
    for (const auto& space : accessor.namespaces)
        name += space + "::";
    return name + accessor.name;
}

bool writeIfChanged(const std::filesystem::path& path, const std::string& content)
{
    std::ifstream existing(path, std::ios::binary);
    if (existing) {
        std::string old((std::istreambuf_iterator<char>(existing)), std::istreambuf_iterator<char>());
        if (old == content)
            return true;
    }
    std::filesystem::create_directories(path.parent_path());
    auto temporary = path;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << content;
        if (!out)
            return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    return !error;
}

}

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: tvk-l10ngen ENGLISH-STRINGS-FILE OUTPUT-DIRECTORY\n";
        return 2;
    }
    std::filesystem::path input(argv[1]);
    std::ifstream stream(input, std::ios::binary);
    if (!stream) {
        std::cerr << input.string() << ": cannot read the English table\n";
        return 1;
    }
    std::string data((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    auto table = StringsFile::parse(data);
    if (table.error) {
        std::cerr << input.string() << ":" << table.error->line << ": error: " << table.error->message << "\n";
        return 1;
    }

    bool failed = false;
    auto report = [&](std::size_t line, const std::string& message) {
        std::cerr << input.string() << ":" << line << ": error: " << message << "\n";
        failed = true;
    };

    // One definition per key, in the order of first appearance; plural entries join theirs.
    std::vector<AccessorDefinition> definitions;
    std::map<std::string, std::size_t> entryLines;
    std::map<std::string, std::size_t> definitionIndex;
    for (const auto& entry : table.entries) {
        if (auto [existing, inserted] = entryLines.emplace(entry.key, entry.line); !inserted) {
            report(entry.line, "the key \"" + entry.key + "\" was already defined on line " + std::to_string(existing->second));
            continue;
        }
        auto plural = PluralRules::splitEntryKey(entry.key);
        std::string key = plural ? std::string(plural->first) : entry.key;
        auto [found, isNew] = definitionIndex.emplace(key, definitions.size());
        if (isNew) {
            definitions.push_back(AccessorDefinition { .key = key, .line = entry.line });
        } else if (!plural || definitions[found->second].pluralForms.empty()) {
            report(entry.line, "the key \"" + key + "\" has both a plain text and plural forms");
            continue;
        }
        auto& definition = definitions[found->second];
        if (plural) {
            definition.pluralForms.emplace_back(plural->second, entry.value);
            if (plural->second == PluralCategory::other)
                definition.english = entry.value;
        } else {
            definition.english = entry.value;
        }
    }

    std::vector<AccessorDefinition> accessors;
    std::map<std::string, std::size_t> keyLines;
    for (auto& accessor : definitions) {
        keyLines.emplace(accessor.key, accessor.line);
        auto segments = split(accessor.key, '.');
        for (std::size_t i = 0; i + 1 < segments.size(); ++i) {
            auto name = escapedKeyword(prettyIdentifier(segments[i]));
            if (name.empty()) {
                report(accessor.line, "the key \"" + accessor.key + "\" has a segment that makes no name");
                break;
            }
            accessor.namespaces.push_back(name);
        }
        accessor.name = escapedKeyword(lowerFirstWord(prettyIdentifier(segments.back())));
        if (accessor.name.empty() || accessor.namespaces.size() + 1 != segments.size()) {
            report(accessor.line, "the key \"" + accessor.key + "\" makes no accessor name");
            continue;
        }
        auto kinds = StringFormat::argumentKinds(accessor.english);
        if (!kinds) {
            report(accessor.line, "the text of \"" + accessor.key + "\": " + kinds.error());
            continue;
        }
        accessor.arguments = *kinds;
        if (!accessor.pluralForms.empty() && !pluralArguments(accessor, report))
            continue;
        accessors.push_back(std::move(accessor));
    }

    NamespaceNode root;
    std::map<std::string, std::string> names; // qualified name → key
    for (const auto& accessor : accessors) {
        NamespaceNode* node = &root;
        for (const auto& space : accessor.namespaces)
            node = node->child(space);
        node->accessors.push_back(&accessor);
        auto qualified = qualifiedName(accessor);
        if (auto [existing, inserted] = names.emplace(qualified, accessor.key); !inserted)
            report(
                keyLines[accessor.key], "the keys \"" + existing->second + "\" and \"" + accessor.key + "\" both make L10n::" + qualified);
    }
    // A namespace and a function of one name cannot live side by side.
    for (const auto& accessor : accessors) {
        std::string prefix;
        for (const auto& space : accessor.namespaces) {
            prefix += space;
            if (names.contains(prefix))
                report(keyLines[accessor.key],
                    "the key \"" + accessor.key + "\" needs a namespace L10n::" + prefix + ", which the key \"" + names[prefix]
                        + "\" makes a function");
            prefix += "::";
        }
    }
    if (failed)
        return 1;

    std::ostringstream header;
    header << "// Generated by tvk-l10ngen from the English catalog table; do not edit.\n"
              "#pragma once\n\n"
              "#include \"TVKLocalization/L10nAccessor.hpp\"\n\n"
              "#include <cstdint>\n#include <string>\n#include <string_view>\n\n"
              "/// The catalog's texts, one function per key of the English table. Each returns the text in the\n"
              "/// user's language, or the English text below when the language has none, formatted with the\n"
              "/// arguments.\n"
              "namespace tvk::L10n {\n";
    writeDeclarations(header, root, "");
    header << "}\n";

    std::ostringstream source;
    source << "// Generated by tvk-l10ngen from the English catalog table; do not edit.\n"
              "#include \"TVKLocalization/L10n.hpp\"\n\n"
              "#include <array>\n\n"
              "namespace tvk::L10n {\n\n";
    for (const auto& accessor : accessors) {
        source << "std::string " << qualifiedName(accessor) << "(" << parameterList(accessor) << ")\n{\n";
        std::string englishText = cppStringLiteral(accessor.english);
        if (!accessor.pluralForms.empty()) {
            source << "    static constexpr PluralForm forms[] {";
            for (const auto& [category, text] : accessor.pluralForms)
                source << " { " << pluralCategoryName(category) << ", " << cppStringLiteral(text) << " },";
            source << " };\n";
            englishText = "forms";
        }
        source << "    return localizedText(" << cppStringLiteral(accessor.key) << ", " << englishText << ", {";
        for (std::size_t i = 0; i < accessor.arguments.size(); ++i)
            source << (i > 0 ? ", " : " ") << "FormatArgument(p" << i + 1 << ")";
        source << (accessor.arguments.empty() ? "});\n}\n\n" : " });\n}\n\n");
    }
    source << "namespace {\n\n";
    for (std::size_t index = 0; index < accessors.size(); ++index) {
        const auto& accessor = accessors[index];
        source << "constexpr std::array<FormatArgumentKind, " << accessor.arguments.size() << "> arguments" << index << " { ";
        for (auto kind : accessor.arguments)
            source << (kind == FormatArgumentKind::text ? "FormatArgumentKind::text, " : "FormatArgumentKind::integer, ");
        source << "};\n";
        source << "std::string call" << index << "([[maybe_unused]] std::span<const FormatArgument> a)\n{\n    return "
               << qualifiedName(accessor) << "(";
        for (std::size_t i = 0; i < accessor.arguments.size(); ++i) {
            if (i > 0)
                source << ", ";
            if (accessor.arguments[i] == FormatArgumentKind::text)
                source << "a.size() > " << i << " ? a[" << i << "].text() : std::string()";
            else
                source << "a.size() > " << i << " ? a[" << i << "].integer().value_or(0) : 0";
        }
        source << ");\n}\n";
    }
    source << "\nconst std::array<Accessor, " << accessors.size() << "> accessors {\n";
    for (std::size_t index = 0; index < accessors.size(); ++index) {
        const auto& accessor = accessors[index];
        source << "    Accessor { " << cppStringLiteral(accessor.key) << ", " << cppStringLiteral(accessor.english) << ", "
               << cppStringLiteral(qualifiedName(accessor)) << ", arguments" << index << ", call" << index << " },\n";
    }
    source << "};\n\n}\n\nstd::span<const Accessor> allAccessors()\n{\n    return accessors;\n}\n\n}\n";

    auto outputDirectory = std::filesystem::path(argv[2]) / "TVKLocalization";
    if (!writeIfChanged(outputDirectory / "L10n.hpp", header.str()) || !writeIfChanged(outputDirectory / "L10n.cpp", source.str())) {
        std::cerr << "tvk-l10ngen: cannot write to " << outputDirectory.string() << "\n";
        return 1;
    }
    return 0;
}
