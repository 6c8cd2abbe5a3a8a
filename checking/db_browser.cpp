#include "checking/db_browser.h"

#include <sqlite3.h>

#include <algorithm>

#include "core/messages.h"
#include "core/signs.h"
#include "core/text.h"

namespace vinra::checking {

namespace {

// Its failures are shown by the database manager: in the player's language.
constexpr int kMsgNotOpen = 4026;        // "database is not open"
constexpr int kMsgDatabaseError = 4027;  // "database error (%s): %s"

[[noreturn]] void Fail(sqlite3* db, const std::string& what) {
    throw DatabaseError(core::FormatMsg(core::Msg(kMsgDatabaseError), {what, std::string(db ? sqlite3_errmsg(db) : "no database")}));
}

// A prepared statement; values reach SQL only as bound parameters.
class Query {
public:
    Query(sqlite3* db, const char* sql) : db_(db) {
        if (!db) throw DatabaseError(core::Msg(kMsgNotOpen));
        if (sqlite3_prepare_v2(db, sql, -1, &st_, nullptr) != SQLITE_OK) Fail(db, "prepare");
    }
    ~Query() { sqlite3_finalize(st_); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    Query& bind(int i, int64_t v) {
        if (sqlite3_bind_int64(st_, i, v) != SQLITE_OK) Fail(db_, "bind");
        return *this;
    }
    Query& bind(int i, std::string_view v) {
        if (sqlite3_bind_text(st_, i, v.data() ? v.data() : "", static_cast<int>(v.size()), SQLITE_TRANSIENT) !=
            SQLITE_OK)
            Fail(db_, "bind");
        return *this;
    }
    bool step() {
        const int rc = sqlite3_step(st_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        Fail(db_, "step");
    }
    // Runs a statement without rows and gives the number of rows it changed.
    int exec() {
        const int rc = sqlite3_step(st_);
        sqlite3_reset(st_);
        if (rc != SQLITE_DONE) Fail(db_, "write");
        return sqlite3_changes(db_);
    }
    void reset() {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
    }
    int64_t i64(int c) const { return sqlite3_column_int64(st_, c); }
    std::string text(int c) const {
        const unsigned char* p = sqlite3_column_text(st_, c);
        return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(st_, c)))
                 : std::string();
    }

private:
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
};

class Tx {
public:
    explicit Tx(sqlite3* db) : db_(db) { run("BEGIN IMMEDIATE"); }
    ~Tx() {
        if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit() {
        run("COMMIT");
        done_ = true;
    }

private:
    void run(const char* sql) {
        if (!db_) throw DatabaseError(core::Msg(kMsgNotOpen));
        char* err = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
            std::string msg = err ? err : "unknown error";
            sqlite3_free(err);
            throw DatabaseError(core::FormatMsg(core::Msg(kMsgDatabaseError), {std::string("SQL"), msg}));
        }
    }
    sqlite3* db_;
    bool done_ = false;
};

constexpr const char* kFieldNames[kResultFieldCount] = {"Omg", "Rad", "A13", "U13", "A12", "U12",
                                                        "A11", "U11", "A10", "U10", "Typ", "OmgID"};

bool IsLetters(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

size_t Utf8Length(std::string_view s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

const std::vector<PoolChoice>& EditorGameChoices() {
    static const std::vector<PoolChoice> k = {
        {"I", "Europatipset"},   {"S", "Stryktipset"},    {"A", "Tipping Midtuke"}, {"C", "Tipping Lørdag"},
        {"E", "Tipping Søndag"}, {"G", "Tips 12"},        {"H", "Tips 13"},         {"V", "Vakioveikkaus"},
        {"T", "SuperToto"},      {"O", "SuperToto Extra"}};
    return k;
}

const std::vector<PoolChoice>& EditorResultChoices() {
    static const std::vector<PoolChoice> k = {{"I", "Europatipset"},    {"S", "Stryktipset"},
                                              {"A", "Tipping Midtuke"}, {"B", "Tipping Midtuke Pause"},
                                              {"C", "Tipping Lørdag"},  {"D", "Tipping Lørdag Pause"},
                                              {"E", "Tipping Søndag"},  {"F", "Tipping Søndag Pause"},
                                              {"G", "Tips 12"},         {"H", "Tips 13"},
                                              {"V", "Vakioveikkaus"},   {"T", "SuperToto"},
                                              {"O", "SuperToto Extra"}};
    return k;
}

std::vector<MatchRecord> ListGames(TTipsData& db, std::string_view typ) {
    Query q(db.handle(),
            "SELECT Omg, \"Match\", Typ, Home, Away, OmgID FROM tMatcher WHERE (?1 = '' OR Typ = ?1) "
            "ORDER BY Omg, Typ, OmgID, \"Match\"");
    q.bind(1, typ);
    std::vector<MatchRecord> out;
    while (q.step()) {
        MatchRecord r;
        r.Omg = static_cast<int32_t>(q.i64(0));
        r.Match = static_cast<int32_t>(q.i64(1));
        r.Typ = q.text(2);
        r.Home = q.text(3);
        r.Away = q.text(4);
        r.OmgID = static_cast<int32_t>(q.i64(5));
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<TFacitRec> ListResults(TTipsData& db, std::string_view typ) {
    Query q(db.handle(),
            "SELECT Typ, OmgID, Omg, Rad, A13, U13, A12, U12, A11, U11, A10, U10 FROM tRattRad "
            "WHERE (?1 = '' OR Typ = ?1) ORDER BY OmgID, Typ");
    q.bind(1, typ);
    std::vector<TFacitRec> out;
    while (q.step()) {
        TFacitRec r;
        r.found = true;
        r.Typ = q.text(0);
        r.OmgID = static_cast<int32_t>(q.i64(1));
        r.Omg = static_cast<int32_t>(q.i64(2));
        r.Rad = q.text(3);
        for (int i = 0; i < kSlotCount; ++i) {
            r.Winners[static_cast<size_t>(i)] = static_cast<int32_t>(q.i64(4 + 2 * i));
            r.Payout[static_cast<size_t>(i)] = q.i64(5 + 2 * i);
        }
        out.push_back(std::move(r));
    }
    return out;
}

size_t DeleteGames(TTipsData& db, const std::vector<GameKey>& keys) {
    Tx tx(db.handle());
    Query q(db.handle(), "DELETE FROM tMatcher WHERE OmgID = ?1 AND Typ = ?2 AND \"Match\" = ?3");
    size_t n = 0;
    for (const auto& k : keys) {
        q.reset();
        n += static_cast<size_t>(q.bind(1, k.OmgID).bind(2, k.Typ).bind(3, k.Match).exec());
    }
    tx.commit();
    return n;
}

size_t DeleteResults(TTipsData& db, const std::vector<ResultKey>& keys) {
    Tx tx(db.handle());
    Query q(db.handle(), "DELETE FROM tRattRad WHERE OmgID = ?1 AND Typ = ?2");
    size_t n = 0;
    for (const auto& k : keys) {
        q.reset();
        n += static_cast<size_t>(q.bind(1, k.OmgID).bind(2, k.Typ).exec());
    }
    tx.commit();
    return n;
}

const char* ResultFieldName(ResultField f) { return kFieldNames[static_cast<int>(f)]; }

std::string ResultFieldText(const TFacitRec& rec, ResultField f) {
    switch (f) {
        case ResultField::Omg: return std::to_string(rec.Omg);
        case ResultField::Rad: return rec.Rad;
        case ResultField::Typ: return rec.Typ;
        case ResultField::OmgID: return std::to_string(rec.OmgID);
        default: break;
    }
    const int i = static_cast<int>(f) - static_cast<int>(ResultField::A13);
    const size_t slot = static_cast<size_t>(i / 2);
    return i % 2 == 0 ? core::GroupDigits(static_cast<int64_t>(rec.Winners[slot]))
                      : core::FormatAmount(rec.Payout[slot]);
}

std::optional<TFacitRec> WithResultField(const TFacitRec& rec, ResultField f, std::string_view text) {
    TFacitRec out = rec;
    const std::string t(core::Trim(text));
    switch (f) {
        case ResultField::Omg:
        case ResultField::OmgID: {
            const auto v = ParseCount(t);
            if (!v || *v < 0 || t.empty()) return std::nullopt;
            (f == ResultField::Omg ? out.Omg : out.OmgID) = *v;
            return out;
        }
        case ResultField::Rad:
            if (Utf8Length(t) > kRadSize) return std::nullopt;
            out.Rad = Upper(t);
            return out;
        case ResultField::Typ:
            if (t.empty() || t.size() > kResultTypSize || !IsLetters(t)) return std::nullopt;
            out.Typ = Upper(t);
            return out;
        default: break;
    }
    const int i = static_cast<int>(f) - static_cast<int>(ResultField::A13);
    const size_t slot = static_cast<size_t>(i / 2);
    if (i % 2 == 0) {
        const auto v = ParseCount(t);
        if (!v || *v < 0) return std::nullopt;
        out.Winners[slot] = *v;
    } else {
        const auto v = ParseAmount(t);
        if (!v || *v < 0) return std::nullopt;
        out.Payout[slot] = *v;
    }
    return out;
}

EditOutcome ReplaceResult(TTipsData& db, const TFacitRec& before, const TFacitRec& after) {
    sqlite3* h = db.handle();
    Tx tx(h);
    {
        Query has(h, "SELECT 1 FROM tRattRad WHERE OmgID = ?1 AND Typ = ?2");
        has.bind(1, before.OmgID).bind(2, before.Typ);
        if (!has.step()) return EditOutcome::Missing;
    }
    if (after.OmgID != before.OmgID || after.Typ != before.Typ) {
        Query taken(h, "SELECT 1 FROM tRattRad WHERE OmgID = ?1 AND Typ = ?2");
        taken.bind(1, after.OmgID).bind(2, after.Typ);
        if (taken.step()) return EditOutcome::KeyTaken;
    }
    Query del(h, "DELETE FROM tRattRad WHERE OmgID = ?1 AND Typ = ?2");
    del.bind(1, before.OmgID).bind(2, before.Typ).exec();
    Query ins(h,
              "INSERT INTO tRattRad (Omg, Rad, A13, U13, A12, U12, A11, U11, A10, U10, Typ, OmgID) "
              "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)");
    ins.bind(1, after.Omg).bind(2, after.Rad);
    for (int i = 0; i < kSlotCount; ++i)
        ins.bind(3 + 2 * i, after.Winners[static_cast<size_t>(i)])
            .bind(4 + 2 * i, after.Payout[static_cast<size_t>(i)]);
    ins.bind(11, after.Typ).bind(12, after.OmgID);
    ins.exec();
    tx.commit();
    return EditOutcome::Stored;
}

}  // namespace vinra::checking
