#include "Platform/Calendar/SqliteDatabase.hpp"

#include <sqlite3.h>

namespace tvk {

SqliteError::SqliteError(int code, const std::string& message)
    : std::runtime_error(message)
    , m_code(code)
{
}

bool SqliteError::isDamage() const
{
    return (m_code & 0xFF) == SQLITE_CORRUPT || (m_code & 0xFF) == SQLITE_NOTADB;
}

SqliteStatement::SqliteStatement(sqlite3_stmt* statement)
    : m_statement(statement)
{
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

namespace {

[[noreturn]] void fail(sqlite3* database, int result)
{
    throw SqliteError(result, database ? sqlite3_errmsg(database) : sqlite3_errstr(result));
}

}

SqliteStatement& SqliteStatement::rewind()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value)
{
    if (int result = sqlite3_bind_int64(m_statement, index + 1, value); result != SQLITE_OK)
        fail(sqlite3_db_handle(m_statement), result);
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, double value)
{
    if (int result = sqlite3_bind_double(m_statement, index + 1, value); result != SQLITE_OK)
        fail(sqlite3_db_handle(m_statement), result);
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::string_view value, bool asBlob)
{
    int result = asBlob ? sqlite3_bind_blob64(m_statement, index + 1, value.data(), value.size(), SQLITE_TRANSIENT)
                        : sqlite3_bind_text64(m_statement, index + 1, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (result != SQLITE_OK)
        fail(sqlite3_db_handle(m_statement), result);
    return *this;
}

SqliteStatement& SqliteStatement::bindNull(int index)
{
    if (int result = sqlite3_bind_null(m_statement, index + 1); result != SQLITE_OK)
        fail(sqlite3_db_handle(m_statement), result);
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, const std::optional<std::string>& value)
{
    return value ? bind(index, std::string_view(*value)) : bindNull(index);
}

bool SqliteStatement::step()
{
    int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    int code = sqlite3_extended_errcode(sqlite3_db_handle(m_statement));
    std::string message = sqlite3_errmsg(sqlite3_db_handle(m_statement));
    sqlite3_reset(m_statement);
    throw SqliteError(code, message);
}

void SqliteStatement::run()
{
    while (step()) { }
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

std::int64_t SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double SqliteStatement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

std::string_view SqliteStatement::bytes(int column) const
{
    const void* data = sqlite3_column_blob(m_statement, column);
    int size = sqlite3_column_bytes(m_statement, column);
    return data ? std::string_view(static_cast<const char*>(data), static_cast<size_t>(size)) : std::string_view();
}

std::optional<std::string> SqliteStatement::optionalText(int column) const
{
    if (isNull(column))
        return std::nullopt;
    return std::string(bytes(column));
}

SqliteDatabase::SqliteDatabase(const std::string& path, Mode mode)
{
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (mode == Mode::readWriteCreate ? SQLITE_OPEN_CREATE : 0);
    int result = sqlite3_open_v2(path.c_str(), &m_database, flags, nullptr);
    if (result != SQLITE_OK) {
        std::string message = m_database ? sqlite3_errmsg(m_database) : sqlite3_errstr(result);
        sqlite3_close(m_database);
        m_database = nullptr;
        throw SqliteError(result, message);
    }
    sqlite3_extended_result_codes(m_database, 1);
}

SqliteDatabase::~SqliteDatabase()
{
    m_statements.clear();
    sqlite3_close(m_database);
}

void SqliteDatabase::check(int result) const
{
    if (result != SQLITE_OK && result != SQLITE_ROW && result != SQLITE_DONE)
        fail(m_database, result);
}

void SqliteDatabase::execute(const char* sql)
{
    char* message = nullptr;
    int result = sqlite3_exec(m_database, sql, nullptr, nullptr, &message);
    if (result != SQLITE_OK) {
        std::string text = message ? message : sqlite3_errstr(result);
        sqlite3_free(message);
        throw SqliteError(sqlite3_extended_errcode(m_database), text);
    }
}

SqliteStatement& SqliteDatabase::statement(const char* sql)
{
    auto found = m_statements.find(sql);
    if (found != m_statements.end())
        return found->second->rewind();
    sqlite3_stmt* prepared = nullptr;
    check(sqlite3_prepare_v3(m_database, sql, -1, SQLITE_PREPARE_PERSISTENT, &prepared, nullptr));
    return *m_statements.emplace(sql, std::make_unique<SqliteStatement>(prepared)).first->second;
}

std::int64_t SqliteDatabase::lastInsertRowid() const
{
    return sqlite3_last_insert_rowid(m_database);
}

void SqliteDatabase::setBusyTimeout(int milliseconds)
{
    check(sqlite3_busy_timeout(m_database, milliseconds));
}

void SqliteDatabase::resetToEmpty()
{
    // SQLite's own way to empty a file whatever state it is in, under its locks, so that other
    // connections are never left reading a file that was swapped under them.
    m_statements.clear();
    check(sqlite3_db_config(m_database, SQLITE_DBCONFIG_RESET_DATABASE, 1, nullptr));
    try {
        execute("VACUUM");
    } catch (...) {
        sqlite3_db_config(m_database, SQLITE_DBCONFIG_RESET_DATABASE, 0, nullptr);
        throw;
    }
    check(sqlite3_db_config(m_database, SQLITE_DBCONFIG_RESET_DATABASE, 0, nullptr));
}

SqliteDatabase::Transaction::Transaction(SqliteDatabase& database, Kind kind)
    : m_database(database)
{
    m_database.execute(kind == Kind::write ? "BEGIN IMMEDIATE" : "BEGIN");
}

SqliteDatabase::Transaction::~Transaction()
{
    if (m_open)
        sqlite3_exec(m_database.m_database, "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteDatabase::Transaction::commit()
{
    m_database.execute("COMMIT");
    m_open = false;
}

}
