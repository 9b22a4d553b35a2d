#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace tvk {

/// What went wrong in an SQLite call: the primary result code and SQLite's message.
class SqliteError : public std::runtime_error {
public:
    SqliteError(int code, const std::string& message);
    int code() const { return m_code; }
    /// The file is not a database, or a damaged one.
    bool isDamage() const;

private:
    int m_code;
};

/// One prepared statement of a `SqliteDatabase`, reset and cleared by `rewind` for its next use.
/// Columns and parameters count from 0.
class SqliteStatement {
public:
    explicit SqliteStatement(sqlite3_stmt* statement);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    SqliteStatement& rewind();
    SqliteStatement& bind(int index, std::int64_t value);
    SqliteStatement& bind(int index, double value);
    /// Text (or, with `asBlob`, a blob); the bytes are copied.
    SqliteStatement& bind(int index, std::string_view value, bool asBlob = false);
    SqliteStatement& bindNull(int index);
    SqliteStatement& bind(int index, const std::optional<std::string>& value);

    /// Runs to the next row: true while there is one.
    bool step();
    /// Runs a statement that returns no rows.
    void run();

    bool isNull(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;
    /// Text or blob bytes, valid until the next step or rewind.
    std::string_view bytes(int column) const;
    std::optional<std::string> optionalText(int column) const;

private:
    sqlite3_stmt* m_statement;
};

/// An SQLite connection with its prepared statements. Errors are thrown as `SqliteError`; the
/// connection is not thread-safe, its owner serialises its use.
class SqliteDatabase {
public:
    enum class Mode { readWriteCreate, readWrite };

    /// Opens (or creates) the file at `path`; an empty path is a private temporary database that
    /// SQLite keeps in memory until it grows and then spills to a temporary file, ":memory:" one
    /// that stays in memory.
    SqliteDatabase(const std::string& path, Mode mode = Mode::readWriteCreate);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    void execute(const char* sql);
    /// The statement for `sql`, prepared once and rewound for each use. `sql` must be a string
    /// that outlives the database (a literal): it keys the cache.
    SqliteStatement& statement(const char* sql);
    std::int64_t lastInsertRowid() const;
    /// How long a statement waits for another connection's lock before it fails as busy.
    void setBusyTimeout(int milliseconds);

    /// Throws away everything in the file, damaged or not, leaving an empty database. Other
    /// connections to the file see an empty database from their next transaction on.
    void resetToEmpty();

    /// A transaction that rolls back unless committed; `immediate` takes the write lock at once.
    class Transaction {
    public:
        enum class Kind { read, write };
        Transaction(SqliteDatabase& database, Kind kind);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        SqliteDatabase& m_database;
        bool m_open = true;
    };

private:
    void check(int result) const;

    sqlite3* m_database = nullptr;
    std::map<const char*, std::unique_ptr<SqliteStatement>> m_statements;
};

}
