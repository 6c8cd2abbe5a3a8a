#include "checking/tips_data.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include <pugixml.hpp>
#include <sqlite3.h>

#include "core/folders.h"
#include "core/ini.h"
#include "core/messages.h"
#include "core/signs.h"
#include "core/text.h"

namespace vinra::checking {

namespace fs = std::filesystem;

namespace {

// What a DatabaseError says, in the player's language (the windows show it).
// SQLite's own wording inside them stays as the library gives it.
constexpr int kMsgCannotOpen = 4021;         // "%s: cannot open the database: %s"
constexpr int kMsgNewerVersion = 4022;       // "the database was made by a newer version of the program"
constexpr int kMsgCannotStoreMatch = 4023;   // "cannot store match %d"
constexpr int kMsgCannotStoreResult = 4024;  // "cannot store the result of draw %d"
constexpr int kMsgCannotRename = 4025;       // "cannot change the team names"
constexpr int kMsgNotOpen = 4026;            // "database is not open"
constexpr int kMsgDatabaseError = 4027;      // "database error (%s): %s"

// ---------------------------------------------------------------------------
// Thin RAII over the SQLite C API. Every value reaches SQL as a bound parameter.

[[noreturn]] void Fail(sqlite3* db, const std::string& what) {
    throw DatabaseError(core::FormatMsg(core::Msg(kMsgDatabaseError), {what, std::string(db ? sqlite3_errmsg(db) : "no database")}));
}

class Stmt {
public:
    Stmt(sqlite3* db, const char* sql) : db_(db) {
        if (!db) throw DatabaseError(core::Msg(kMsgNotOpen));
        if (sqlite3_prepare_v2(db, sql, -1, &st_, nullptr) != SQLITE_OK) Fail(db, "prepare");
    }
    ~Stmt() { sqlite3_finalize(st_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    Stmt& bind(int i, int64_t v) {
        check(sqlite3_bind_int64(st_, i, v));
        return *this;
    }
    Stmt& bind(int i, int32_t v) { return bind(i, static_cast<int64_t>(v)); }
    Stmt& bind(int i, std::string_view v) {
        // An empty view may have no data pointer, which SQLite would store as NULL.
        const char* p = v.data() ? v.data() : "";
        check(sqlite3_bind_text(st_, i, p, static_cast<int>(v.size()), SQLITE_TRANSIENT));
        return *this;
    }
    // True while a row is available.
    bool step() {
        int rc = sqlite3_step(st_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        Fail(db_, "step");
    }
    // Runs a statement that returns no rows; returns its SQLite result code
    // instead of throwing for constraint failures, so one bad record can be
    // reported without ending the whole operation.
    int run() {
        int rc = sqlite3_step(st_);
        sqlite3_reset(st_);
        if (rc == SQLITE_DONE) return SQLITE_OK;
        if ((rc & 0xff) == SQLITE_CONSTRAINT) return rc;
        Fail(db_, "write");
    }
    void reset() {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
    }
    int64_t i64(int col) const { return sqlite3_column_int64(st_, col); }
    int32_t i32(int col) const { return static_cast<int32_t>(sqlite3_column_int64(st_, col)); }
    std::string text(int col) const {
        const unsigned char* p = sqlite3_column_text(st_, col);
        return p ? std::string(reinterpret_cast<const char*>(p), sqlite3_column_bytes(st_, col)) : std::string();
    }

private:
    void check(int rc) {
        if (rc != SQLITE_OK) Fail(db_, "bind");
    }
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
};

void Exec(sqlite3* db, const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "unknown error";
        sqlite3_free(err);
        throw DatabaseError(core::FormatMsg(core::Msg(kMsgDatabaseError), {std::string("SQL"), msg}));
    }
}

// One write transaction: committed by commit(), rolled back otherwise.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : db_(db) {
        if (!db) throw DatabaseError(core::Msg(kMsgNotOpen));
        Exec(db, "BEGIN IMMEDIATE");
    }
    ~Transaction() {
        if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit() {
        Exec(db_, "COMMIT");
        done_ = true;
    }
    void rollback() {
        Exec(db_, "ROLLBACK");
        done_ = true;
    }

private:
    sqlite3* db_;
    bool done_ = false;
};

constexpr int kSchemaVersion = 1;

// Field sizes live in the schema too, so no writer can store more than the
// program reads back. Payouts are INTEGER hundredths.
constexpr const char* kSchema = R"sql(
CREATE TABLE tRattRad (
  Omg   INTEGER NOT NULL DEFAULT 0,
  Rad   TEXT    NOT NULL DEFAULT '' CHECK (length(Rad) <= 30),
  A13   INTEGER NOT NULL DEFAULT 0,
  U13   INTEGER NOT NULL DEFAULT 0,
  A12   INTEGER NOT NULL DEFAULT 0,
  U12   INTEGER NOT NULL DEFAULT 0,
  A11   INTEGER NOT NULL DEFAULT 0,
  U11   INTEGER NOT NULL DEFAULT 0,
  A10   INTEGER NOT NULL DEFAULT 0,
  U10   INTEGER NOT NULL DEFAULT 0,
  Typ   TEXT    NOT NULL CHECK (length(Typ) <= 3),
  OmgID INTEGER NOT NULL,
  CONSTRAINT "_OMGID" PRIMARY KEY (OmgID, Typ)
) STRICT, WITHOUT ROWID;
-- Time order within one pool: the check window's steps and, read backwards,
-- the results tree.
CREATE INDEX idxRatta ON tRattRad (Typ, Omg, OmgID);

CREATE TABLE tMatcher (
  Omg     INTEGER NOT NULL DEFAULT 0,
  "Match" INTEGER NOT NULL,
  Typ     TEXT    NOT NULL CHECK (length(Typ) <= 1),
  Home    TEXT    NOT NULL DEFAULT '' CHECK (length(Home) <= 64),
  Away    TEXT    NOT NULL DEFAULT '' CHECK (length(Away) <= 64),
  OmgID   INTEGER NOT NULL,
  CONSTRAINT "_OmgID" PRIMARY KEY (OmgID, Typ, "Match")
) STRICT, WITHOUT ROWID;
CREATE INDEX "_OMG" ON tMatcher (Omg, Typ, OmgID, "Match");
)sql";

constexpr const char* kResultColumns = "Typ, OmgID, Omg, Rad, A13, U13, A12, U12, A11, U11, A10, U10";

TFacitRec ReadResult(const Stmt& st) {
    TFacitRec r;
    r.found = true;
    r.Typ = st.text(0);
    r.OmgID = st.i32(1);
    r.Omg = st.i32(2);
    r.Rad = st.text(3);
    for (int i = 0; i < kSlotCount; ++i) {
        r.Winners[i] = st.i32(4 + 2 * i);
        r.Payout[i] = st.i64(5 + 2 * i);
    }
    return r;
}

// ---------------------------------------------------------------------------
// Text helpers.

// The first n characters (code points) of UTF-8 text.
std::string CutChars(std::string_view s, size_t n) {
    size_t chars = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (chars == n) return std::string(s.substr(0, i));
            ++chars;
        }
    }
    return std::string(s);
}

// Splits an exchange line into exactly count fields: the text between ";"
// separators, trimmed; the last field runs to the end of the line.
// nullopt when the line has fewer fields.
std::optional<std::vector<std::string>> SplitFields(std::string_view line, size_t count) {
    std::vector<std::string> out;
    out.reserve(count);
    size_t pos = 0;
    while (out.size() + 1 < count) {
        size_t sep = line.find(';', pos);
        if (sep == std::string_view::npos) return std::nullopt;
        out.emplace_back(core::Trim(line.substr(pos, sep - pos)));
        pos = sep + 1;
    }
    out.emplace_back(core::Trim(line.substr(pos)));
    return out;
}

std::optional<int32_t> ParseInt32(std::string_view text) {
    auto v = core::ParseInteger(text);
    if (!v || *v < std::numeric_limits<int32_t>::min() || *v > std::numeric_limits<int32_t>::max()) return std::nullopt;
    return static_cast<int32_t>(*v);
}

// A field written back into an exchange line must not end the field or the line early.
std::string ExchangeField(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c == ';') c = ',';
        else if (c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

std::string RoundText(int32_t omg) {
    std::string s = std::to_string(omg);
    if (s.size() == 6) s.insert(4, "-");
    return s;
}

// The round integer of a downloaded round: year text followed by the two-digit week.
int32_t CouponOmg(const CouponRound& r) {
    std::string week = std::string(core::Trim(r.Week));
    if (week.size() == 1) week = "0" + week;
    auto v = ParseInt32(std::string(core::Trim(r.Year)) + week);
    if (!v || week.size() != 2)
        throw std::invalid_argument("round '" + r.Year + "-" + r.Week + "' is not a year and week");
    return *v;
}

bool UsableTeam(std::string_view name) { return !name.empty() && name != "-"; }

// Match numbers run 1..N and N is at most 30; anything else in outside data is not a match.
bool ValidMatch(int32_t match) { return match >= 1 && match <= core::kMaxMatches; }

std::vector<std::string> ReadLines(const fs::path& path) {
    return core::SplitLines(core::DecodeFileText(core::ReadFileBytes(path)));
}

bool BlankLine(std::string_view line) { return core::Trim(line).empty(); }

// ---------------------------------------------------------------------------
// Statements shared by the writers.

struct GameWriter {
    explicit GameWriter(sqlite3* db)
        : exists(db, "SELECT 1 FROM tMatcher WHERE OmgID = ?1 AND Typ = ?2 AND \"Match\" = ?3"),
          insert(db, "INSERT INTO tMatcher (Omg, \"Match\", Typ, Home, Away, OmgID) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
          update(db,
                 "UPDATE tMatcher SET Omg = ?1, Home = ?4, Away = ?5 "
                 "WHERE OmgID = ?6 AND Typ = ?3 AND \"Match\" = ?2") {}

    bool has(const MatchRecord& m) {
        exists.reset();
        exists.bind(1, m.OmgID).bind(2, std::string_view(CutChars(m.Typ, kGamesTypSize))).bind(3, m.Match);
        bool found = exists.step();
        exists.reset();
        return found;
    }
    int write(Stmt& st, const MatchRecord& m) {
        st.reset();
        std::string typ = CutChars(m.Typ, kGamesTypSize);
        std::string home = CutChars(m.Home, kTeamSize);
        std::string away = CutChars(m.Away, kTeamSize);
        st.bind(1, m.Omg)
            .bind(2, m.Match)
            .bind(3, std::string_view(typ))
            .bind(4, std::string_view(home))
            .bind(5, std::string_view(away))
            .bind(6, m.OmgID);
        return st.run();
    }
    // Inserts or updates; true when the key was new.
    bool upsert(const MatchRecord& m) {
        bool existed = has(m);
        int rc = write(existed ? update : insert, m);
        if (rc != SQLITE_OK) throw DatabaseError(core::FormatMsg(core::Msg(kMsgCannotStoreMatch), {static_cast<long long>(m.Match)}));
        return !existed;
    }

    Stmt exists, insert, update;
};

struct ResultWriter {
    explicit ResultWriter(sqlite3* db)
        : exists(db, "SELECT 1 FROM tRattRad WHERE OmgID = ?12 AND Typ = ?11"),
          insert(db,
                 "INSERT INTO tRattRad (Omg, Rad, A13, U13, A12, U12, A11, U11, A10, U10, Typ, OmgID) "
                 "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)"),
          update(db,
                 "UPDATE tRattRad SET Omg = ?1, Rad = ?2, A13 = ?3, U13 = ?4, A12 = ?5, U12 = ?6, "
                 "A11 = ?7, U11 = ?8, A10 = ?9, U10 = ?10 WHERE OmgID = ?12 AND Typ = ?11") {}

    bool has(const TFacitRec& r) {
        exists.reset();
        exists.bind(12, r.OmgID).bind(11, std::string_view(CutChars(r.Typ, kResultTypSize)));
        bool found = exists.step();
        exists.reset();
        return found;
    }
    int write(Stmt& st, const TFacitRec& r) {
        st.reset();
        std::string typ = CutChars(r.Typ, kResultTypSize);
        std::string rad = CutChars(r.Rad, kRadSize);
        st.bind(1, r.Omg).bind(2, std::string_view(rad));
        for (int i = 0; i < kSlotCount; ++i) st.bind(3 + 2 * i, r.Winners[i]).bind(4 + 2 * i, r.Payout[i]);
        st.bind(11, std::string_view(typ)).bind(12, r.OmgID);
        return st.run();
    }
    bool upsert(const TFacitRec& r) {
        bool existed = has(r);
        int rc = write(existed ? update : insert, r);
        if (rc != SQLITE_OK) throw DatabaseError(core::FormatMsg(core::Msg(kMsgCannotStoreResult), {static_cast<long long>(r.OmgID)}));
        return !existed;
    }

    Stmt exists, insert, update;
};

// ---------------------------------------------------------------------------
// Line parsers. nullopt: the line cannot be converted.

// Exchange layout Omg;Typ;OmgID;Match;Home;Away.
std::optional<MatchRecord> ParseGamesLine(std::string_view line) {
    auto f = SplitFields(line, 6);
    if (!f) return std::nullopt;
    auto omg = ParseInt32((*f)[0]);
    auto omgId = ParseInt32((*f)[2]);
    auto match = ParseInt32((*f)[3]);
    if (!omg || !omgId || !match || !ValidMatch(*match) || (*f)[1].empty()) return std::nullopt;
    return MatchRecord{*omg, *match, (*f)[1], (*f)[4], (*f)[5], *omgId};
}

// Editor layout, fields in table order: Omg;Match;Typ;Home;Away;OmgID.
std::optional<MatchRecord> ParseGamesTableLine(std::string_view line) {
    auto f = SplitFields(line, 6);
    if (!f) return std::nullopt;
    auto omg = ParseInt32((*f)[0]);
    auto match = ParseInt32((*f)[1]);
    auto omgId = ParseInt32((*f)[5]);
    if (!omg || !omgId || !match || !ValidMatch(*match) || (*f)[2].empty()) return std::nullopt;
    return MatchRecord{*omg, *match, (*f)[2], (*f)[3], (*f)[4], *omgId};
}

// Fills the eight numbers from fields first.. (A13;U13;A12;U12;A11;U11;A10;U10).
bool ParseSlots(const std::vector<std::string>& f, size_t first, TFacitRec& r) {
    for (int i = 0; i < kSlotCount; ++i) {
        auto a = ParseCount(f[first + 2 * i]);
        auto u = ParseAmount(f[first + 2 * i + 1]);
        if (!a || !u) return false;
        r.Winners[i] = *a;
        r.Payout[i] = *u;
    }
    return true;
}

// Exchange layout Omg;Typ;OmgID;Rad;A13;U13;A12;U12;A11;U11;A10;U10.
std::optional<TFacitRec> ParseResultsLine(std::string_view line) {
    auto f = SplitFields(line, 12);
    if (!f) return std::nullopt;
    TFacitRec r;
    auto omg = ParseInt32((*f)[0]);
    auto omgId = ParseInt32((*f)[2]);
    if (!omg || !omgId || (*f)[1].empty() || !ParseSlots(*f, 4, r)) return std::nullopt;
    r.Omg = *omg;
    r.Typ = (*f)[1];
    r.OmgID = *omgId;
    r.Rad = (*f)[3];
    return r;
}

// Editor layout Omg;Rad;A13;U13;A12;U12;A11;U11;A10;U10;Typ;OmgID.
std::optional<TFacitRec> ParseResultsTableLine(std::string_view line) {
    auto f = SplitFields(line, 12);
    if (!f) return std::nullopt;
    TFacitRec r;
    auto omg = ParseInt32((*f)[0]);
    auto omgId = ParseInt32((*f)[11]);
    if (!omg || !omgId || (*f)[10].empty() || !ParseSlots(*f, 2, r)) return std::nullopt;
    r.Omg = *omg;
    r.Rad = (*f)[1];
    r.Typ = (*f)[10];
    r.OmgID = *omgId;
    return r;
}

// The editor's files may hold either layout: its own (table order) or the
// exchange layout its export writes. They differ in a field that is a number
// in one and a pool code in the other, so each line tells which it is.
std::optional<MatchRecord> ParseEditorGamesLine(std::string_view line) {
    auto f = SplitFields(line, 6);
    if (!f) return std::nullopt;
    return ParseInt32((*f)[1]) ? ParseGamesTableLine(line) : ParseGamesLine(line);
}

std::optional<TFacitRec> ParseEditorResultsLine(std::string_view line) {
    auto f = SplitFields(line, 12);
    if (!f) return std::nullopt;
    return ParseCount((*f)[10]) ? ParseResultsLine(line) : ParseResultsTableLine(line);
}

// ---------------------------------------------------------------------------
// Data packets of older installations: <DATAPACKET><ROWDATA><ROW field="value" .../>.

// Packet floats are written with "." and may use an exponent.
std::optional<int64_t> PacketAmount(std::string_view text) {
    if (auto v = ParseAmount(text)) return v;
    std::string t(core::Trim(text));
    double d = 0;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), d);
    if (ec != std::errc() || p != t.data() + t.size() || !std::isfinite(d) || std::fabs(d) > 1e15) return std::nullopt;
    return static_cast<int64_t>(std::llround(d * 100.0));
}

std::optional<int32_t> PacketInt(std::string_view text) {
    if (core::Trim(text).empty()) return 0;
    return ParseInt32(text);
}

// Row states of a packet written with the change log on: deleted rows are
// dropped, a modified row carries only its changed fields over the row before it.
constexpr int kRowStateDeleted = 2;
constexpr int kRowStateModified = 8;

template <typename Fn>
void ForEachPacketRow(const pugi::xml_document& doc, Fn fn) {
    pugi::xml_node rowdata = doc.child("DATAPACKET").child("ROWDATA");
    std::vector<std::pair<std::string, std::string>> previous;
    for (pugi::xml_node row : rowdata.children("ROW")) {
        int state = 0;
        std::vector<std::pair<std::string, std::string>> fields;
        for (const auto& a : row.attributes()) {
            if (core::EqualsNoCase(a.name(), "RowState")) state = a.as_int();
            else fields.emplace_back(a.name(), a.value());
        }
        if (state & kRowStateDeleted) continue;
        if (state & kRowStateModified) {
            auto merged = previous;
            for (auto& [k, v] : fields) {
                bool set = false;
                for (auto& [pk, pv] : merged)
                    if (core::EqualsNoCase(pk, k)) {
                        pv = v;
                        set = true;
                    }
                if (!set) merged.emplace_back(k, v);
            }
            fields = std::move(merged);
        }
        previous = fields;
        auto get = [&](const char* name) -> std::string {
            for (auto& [k, v] : fields)
                if (core::EqualsNoCase(k, name)) return v;
            return {};
        };
        fn(get);
    }
}

bool LoadPacket(const fs::path& file, pugi::xml_document& doc, std::string& error) {
    std::string text;
    try {
        // Older packets carry Windows-1252 bytes without an encoding declaration.
        text = core::DecodeFileText(core::ReadFileBytes(file));
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    pugi::xml_parse_result res = doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!res || !doc.child("DATAPACKET")) {
        error = file.string() + ": not a data packet (" + (res ? "no DATAPACKET" : res.description()) + ")";
        return false;
    }
    return true;
}

void ImportPackets(sqlite3* db, const fs::path& folder, OpenReport& report) {
    pugi::xml_document doc;
    std::string error;
    fs::path games = folder / "matcher.xml";
    if (fs::exists(games)) {
        if (LoadPacket(games, doc, error)) {
            GameWriter w(db);
            ForEachPacketRow(doc, [&](auto get) {
                auto omg = PacketInt(get("Omg"));
                auto match = PacketInt(get("Match"));
                auto omgId = PacketInt(get("OmgID"));
                std::string typ = get("Typ");
                if (!omg || !match || !omgId || !ValidMatch(*match) || typ.empty()) {
                    ++report.packetSkipped;
                    return;
                }
                w.upsert(MatchRecord{*omg, *match, typ, get("Home"), get("Away"), *omgId});
                ++report.packetGames;
            });
        } else {
            report.packetError = error;
        }
    }
    fs::path results = folder / "rattrad.xml";
    if (fs::exists(results)) {
        if (LoadPacket(results, doc, error)) {
            ResultWriter w(db);
            ForEachPacketRow(doc, [&](auto get) {
                TFacitRec r;
                auto omg = PacketInt(get("Omg"));
                auto omgId = PacketInt(get("OmgID"));
                r.Typ = get("Typ");
                bool ok = omg && omgId && !r.Typ.empty();
                for (int i = 0; ok && i < kSlotCount; ++i) {
                    std::string n = std::to_string(SlotNumber(i));
                    auto a = PacketInt(get(("A" + n).c_str()));
                    std::string ut = get(("U" + n).c_str());
                    auto u = core::Trim(ut).empty() ? std::optional<int64_t>(0) : PacketAmount(ut);
                    if (!a || !u) {
                        ok = false;
                    } else {
                        r.Winners[i] = *a;
                        r.Payout[i] = *u;
                    }
                }
                if (!ok) {
                    ++report.packetSkipped;
                    return;
                }
                r.Omg = *omg;
                r.OmgID = *omgId;
                r.Rad = get("Rad");
                w.upsert(r);
                ++report.packetResults;
            });
        } else {
            if (!report.packetError.empty()) report.packetError += "; ";
            report.packetError += error;
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Numbers.

std::optional<int64_t> ParseAmount(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ' ' || c == '\t') continue;
        // A no-break space (UTF-8 C2 A0) groups digits in downloaded pages.
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xA0) {
            ++i;
            continue;
        }
        s.push_back(static_cast<char>(c));
    }
    if (s.empty()) return 0;
    bool negative = false;
    size_t i = 0;
    if (s[0] == '-' || s[0] == '+') {
        negative = s[0] == '-';
        ++i;
    }
    int64_t whole = 0;
    size_t digits = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        if (++digits > 15) return std::nullopt;  // beyond any pool's payout
        whole = whole * 10 + (s[i] - '0');
    }
    int64_t fraction = 0;
    size_t fracDigits = 0;
    bool roundUp = false;
    if (i < s.size() && (s[i] == ',' || s[i] == '.')) {
        for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++fracDigits) {
            if (fracDigits < 2) fraction = fraction * 10 + (s[i] - '0');
            else if (fracDigits == 2) roundUp = s[i] >= '5';
        }
    }
    if (i != s.size() || digits + fracDigits == 0) return std::nullopt;
    if (fracDigits == 1) fraction *= 10;
    int64_t value = whole * 100 + fraction + (roundUp ? 1 : 0);
    return negative ? -value : value;
}

std::optional<int32_t> ParseCount(std::string_view text) {
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t') s.push_back(c);
    if (s.empty()) return 0;
    return ParseInt32(s);
}

std::string AmountText(int64_t hundredths) {
    bool negative = hundredths < 0;
    uint64_t v = negative ? 0 - static_cast<uint64_t>(hundredths) : static_cast<uint64_t>(hundredths);
    std::string frac = std::to_string(v % 100);
    if (frac.size() < 2) frac = "0" + frac;
    return (negative ? "-" : "") + std::to_string(v / 100) + "," + frac;
}

const char* MatchOutcomeText(MatchOutcome outcome) {
    switch (outcome) {
        case MatchOutcome::NotFound: return "Kunde inte hitta matchen!";
        case MatchOutcome::Edited: return "Lagnamnen ändrade!";
        case MatchOutcome::Deleted: return "Matchen raderad!";
    }
    return "";
}

// ---------------------------------------------------------------------------
// Opening.

TTipsData::~TTipsData() { Close(); }

void TTipsData::Close() {
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

OpenReport TTipsData::Open() { return Open(core::DatabaseFolder() / "tipsdata.sqlite"); }

OpenReport TTipsData::Open(const fs::path& file) {
    Close();
    std::error_code ec;
    if (file.has_parent_path()) fs::create_directories(file.parent_path(), ec);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(file.string().c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close_v2(db);
        throw DatabaseError(core::FormatMsg(core::Msg(kMsgCannotOpen), {file.string(), msg}));
    }
    OpenReport report;
    try {
        sqlite3_busy_timeout(db, 5000);
        Exec(db, "PRAGMA journal_mode = WAL");
        Exec(db, "PRAGMA synchronous = FULL");
        int version = 0;
        {
            Stmt st(db, "PRAGMA user_version");
            if (st.step()) version = st.i32(0);
        }
        if (version > kSchemaVersion) throw DatabaseError(core::Msg(kMsgNewerVersion));
        if (version == 0) {
            // Tables and the old data come in one transaction: a crash here
            // leaves a file that is created anew at the next start.
            Transaction tx(db);
            bool fresh = false;
            {
                Stmt again(db, "PRAGMA user_version");
                fresh = again.step() && again.i32(0) == 0;
            }
            if (fresh) {
                Exec(db, kSchema);
                ImportPackets(db, file.parent_path(), report);
                Exec(db, ("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
                report.created = true;
            }
            tx.commit();
        }
    } catch (const DatabaseError& e) {
        sqlite3_close_v2(db);
        throw DatabaseError(file.string() + ": " + e.what());
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    db_ = db;
    path_ = file;
    return report;
}

// ---------------------------------------------------------------------------
// Games.

std::vector<MatchRecord> TTipsData::RoundGames(int32_t omgId, std::string_view typ) {
    Stmt st(db_,
            "SELECT Omg, \"Match\", Typ, Home, Away, OmgID FROM tMatcher "
            "WHERE OmgID = ?1 AND Typ = ?2 ORDER BY \"Match\"");
    st.bind(1, omgId).bind(2, typ);
    std::vector<MatchRecord> out;
    while (st.step()) out.push_back({st.i32(0), st.i32(1), st.text(2), st.text(3), st.text(4), st.i32(5)});
    return out;
}

int TTipsData::LoadRoundTeams(core::TVinraFile& doc, int32_t omgId, std::string_view typ,
                              std::vector<std::string>& homes, std::vector<std::string>& aways) {
    auto games = RoundGames(omgId, typ);
    for (auto& m : games) {
        homes.push_back(m.Home);
        aways.push_back(m.Away);
    }
    if (!games.empty()) doc.Omg = RoundText(games.front().Omg);
    return static_cast<int>(games.size());
}

int32_t TTipsData::FindDrawNumber(int32_t omg, std::string_view typ) {
    Stmt st(db_, "SELECT OmgID FROM tMatcher WHERE Omg = ?1 AND Typ = ?2 ORDER BY OmgID, \"Match\" LIMIT 1");
    st.bind(1, omg).bind(2, typ);
    return st.step() ? st.i32(0) : 0;
}

int32_t TTipsData::FillDrawNumberOfOldFile(core::TVinraFile& doc) {
    std::string version = doc.Version.empty() ? "5.00" : doc.Version;
    if (doc.OmgID != 0 || version >= "6.00") return doc.OmgID;
    int64_t omg = core::RoundNumber(doc.Omg);
    if (omg <= 0 || omg > std::numeric_limits<int32_t>::max()) return doc.OmgID;
    doc.OmgID = FindDrawNumber(static_cast<int32_t>(omg), doc.Typ);
    return doc.OmgID;
}

bool TTipsData::SaveGames(core::TVinraFile& doc, int32_t omg, std::string_view typ,
                          const std::vector<std::string>& homes, const std::vector<std::string>& aways) {
    int32_t omgId = doc.OmgID == 0 ? omg : doc.OmgID;
    Transaction tx(db_);
    GameWriter w(db_);
    for (size_t i = 0; i < homes.size() && i < static_cast<size_t>(core::kMaxMatches); ++i) {
        const std::string& away = i < aways.size() ? aways[i] : std::string();
        if (!UsableTeam(homes[i]) || !UsableTeam(away)) continue;
        w.upsert(MatchRecord{omg, static_cast<int32_t>(i + 1), std::string(typ), homes[i], away, omgId});
    }
    tx.commit();
    doc.OmgID = omgId;
    return true;
}

bool TTipsData::SaveCouponGames(const CouponRound& round) {
    int32_t omg = CouponOmg(round);
    Transaction tx(db_);
    GameWriter w(db_);
    for (size_t i = 0; i < round.Homes.size() && i < static_cast<size_t>(core::kMaxMatches); ++i) {
        const std::string& away = i < round.Aways.size() ? round.Aways[i] : std::string();
        if (!UsableTeam(round.Homes[i]) || !UsableTeam(away)) continue;
        w.upsert(MatchRecord{omg, static_cast<int32_t>(i + 1), round.Typ, round.Homes[i], away, round.OmgID});
    }
    tx.commit();
    return true;
}

MatchOutcome TTipsData::EditOrDeleteMatch(std::string_view typ, std::string_view home, std::string_view away,
                                          int32_t match, int32_t omgId, bool edit) {
    Transaction tx(db_);
    MatchRecord key{0, match, std::string(typ), std::string(home), std::string(away), omgId};
    GameWriter w(db_);
    if (!w.has(key)) return MatchOutcome::NotFound;
    if (edit) {
        Stmt st(db_, "UPDATE tMatcher SET Home = ?1, Away = ?2 WHERE OmgID = ?3 AND Typ = ?4 AND \"Match\" = ?5");
        st.bind(1, std::string_view(CutChars(home, kTeamSize)))
            .bind(2, std::string_view(CutChars(away, kTeamSize)))
            .bind(3, omgId)
            .bind(4, std::string_view(CutChars(typ, kGamesTypSize)))
            .bind(5, match);
        if (st.run() != SQLITE_OK) throw DatabaseError(core::Msg(kMsgCannotRename));
    } else {
        Stmt st(db_, "DELETE FROM tMatcher WHERE OmgID = ?1 AND Typ = ?2 AND \"Match\" = ?3");
        st.bind(1, omgId).bind(2, std::string_view(CutChars(typ, kGamesTypSize))).bind(3, match);
        st.run();
    }
    tx.commit();
    return edit ? MatchOutcome::Edited : MatchOutcome::Deleted;
}

// ---------------------------------------------------------------------------
// Results.

TFacitRec TTipsData::FindResult(std::string_view typ, int32_t omgId) {
    Stmt st(db_, (std::string("SELECT ") + kResultColumns + " FROM tRattRad WHERE OmgID = ?1 AND Typ = ?2").c_str());
    st.bind(1, omgId).bind(2, typ);
    if (!st.step()) return TFacitRec{};
    return ReadResult(st);
}

void TTipsData::StoreResult(const TFacitRec& rec) {
    Transaction tx(db_);
    ResultWriter(db_).upsert(rec);
    tx.commit();
}

bool TTipsData::SaveResult(core::TVinraFile& doc, int32_t omg, std::string_view row,
                           const std::array<std::string, 8>& numbers, std::string_view typ) {
    static const char* const kNames[8] = {"A13", "U13", "A12", "U12", "A11", "U11", "A10", "U10"};
    TFacitRec rec;
    for (int i = 0; i < kSlotCount; ++i) {
        auto a = ParseCount(numbers[2 * i]);
        if (!a) throw std::invalid_argument(std::string(kNames[2 * i]) + ": '" + numbers[2 * i] + "' is not a number");
        auto u = ParseAmount(numbers[2 * i + 1]);
        if (!u)
            throw std::invalid_argument(std::string(kNames[2 * i + 1]) + ": '" + numbers[2 * i + 1] +
                                        "' is not an amount");
        rec.Winners[i] = *a;
        rec.Payout[i] = *u;
    }
    // A round saved without a draw number is keyed by its round integer, as
    // the games of such a round are; otherwise every such round would share
    // the one record of draw number 0.
    int32_t omgId = doc.OmgID == 0 ? omg : doc.OmgID;
    rec.Typ = std::string(typ);
    rec.OmgID = omgId;
    rec.Omg = omg;
    rec.Rad = doc.MatchCount > 0 ? CutChars(row, static_cast<size_t>(doc.MatchCount)) : std::string(row);
    StoreResult(rec);
    doc.OmgID = omgId;
    return true;
}

bool TTipsData::SaveCouponResult(const CouponRound& round) {
    TFacitRec rec;
    rec.Omg = CouponOmg(round);
    rec.Typ = round.Typ;
    rec.OmgID = round.OmgID;
    rec.Rad = round.Row;
    for (int i = 0; i < kSlotCount; ++i) {
        std::string w = static_cast<size_t>(i) < round.Winners.size() ? round.Winners[i] : "0";
        std::string p = static_cast<size_t>(i) < round.Payouts.size() ? round.Payouts[i] : "0";
        auto a = ParseCount(w);
        auto u = ParseAmount(p);
        if (!a)
            throw std::invalid_argument("winners of slot " + std::to_string(SlotNumber(i)) + ": '" + w +
                                        "' is not a number");
        if (!u)
            throw std::invalid_argument("payout of slot " + std::to_string(SlotNumber(i)) + ": '" + p +
                                        "' is not an amount");
        rec.Winners[i] = *a;
        rec.Payout[i] = *u;
    }
    StoreResult(rec);
    return true;
}

// ---------------------------------------------------------------------------
// Bulk.

namespace {

// Runs one import over the lines of a file in one transaction. parse gives a
// record or nullopt; store writes it and says what happened.
template <typename Rec, typename Parse, typename Store>
ImportReport ImportLines(sqlite3* db, const std::vector<std::string>& lines, const ImportProgress& progress,
                         Parse parse, Store store) {
    ImportReport report;
    Transaction tx(db);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (progress && !progress(i + 1)) {
            tx.rollback();
            ImportReport cancelled;
            cancelled.cancelled = true;
            return cancelled;
        }
        if (BlankLine(lines[i])) continue;
        std::optional<Rec> rec = parse(lines[i]);
        if (!rec) {
            report.skippedLines.push_back(i + 1);
            continue;
        }
        store(*rec, i, report);
    }
    tx.commit();
    return report;
}

}  // namespace

ImportReport TTipsData::ImportGamesFile(const fs::path& path, const ImportProgress& progress) {
    auto lines = ReadLines(path);
    if (!db_) throw DatabaseError(core::Msg(kMsgNotOpen));
    GameWriter w(db_);
    return ImportLines<MatchRecord>(
        db_, lines, progress, ParseGamesLine,
        [&](const MatchRecord& m, size_t, ImportReport& r) { (w.upsert(m) ? r.inserted : r.updated)++; });
}

ImportReport TTipsData::ImportResultsFile(const fs::path& path, const ImportProgress& progress) {
    auto lines = ReadLines(path);
    if (!db_) throw DatabaseError(core::Msg(kMsgNotOpen));
    ResultWriter w(db_);
    return ImportLines<TFacitRec>(
        db_, lines, progress, ParseResultsLine,
        [&](const TFacitRec& rec, size_t, ImportReport& r) { (w.upsert(rec) ? r.inserted : r.updated)++; });
}

size_t TTipsData::PurgeAbove(std::string_view typ, int32_t limit) {
    Transaction tx(db_);
    size_t deleted = 0;
    for (const char* sql :
         {"DELETE FROM tRattRad WHERE Typ = ?1 AND OmgID > ?2", "DELETE FROM tMatcher WHERE Typ = ?1 AND OmgID > ?2"}) {
        Stmt st(db_, sql);
        st.bind(1, typ).bind(2, limit);
        st.run();
        deleted += static_cast<size_t>(sqlite3_changes(db_));
    }
    tx.commit();
    return deleted;
}

const std::vector<std::string>& TTipsData::EditorPoolCodes() {
    // The export's order. The import takes the half-time pools B, D and F too,
    // so that everything an export wrote comes back.
    static const std::vector<std::string> codes = {"A", "B", "C", "D", "E", "F", "S", "I", "G", "H", "T", "O", "V"};
    return codes;
}

void TTipsData::ExportPool(std::string_view code, const fs::path& folder) {
    std::vector<std::string> games;
    {
        Stmt st(db_,
                "SELECT Omg, Typ, OmgID, \"Match\", Home, Away FROM tMatcher WHERE Typ = ?1 "
                "ORDER BY Omg, OmgID, \"Match\"");
        st.bind(1, code);
        while (st.step()) {
            std::string line = std::to_string(st.i32(0));
            line.append(";").append(ExchangeField(st.text(1))).append(";").append(std::to_string(st.i32(2)));
            line.append(";").append(std::to_string(st.i32(3))).append(";").append(ExchangeField(st.text(4)));
            line.append(";").append(ExchangeField(st.text(5)));
            games.push_back(std::move(line));
        }
    }
    std::vector<std::string> results;
    {
        Stmt st(db_,
                (std::string("SELECT ") + kResultColumns + " FROM tRattRad WHERE Typ = ?1 ORDER BY OmgID").c_str());
        st.bind(1, code);
        while (st.step()) {
            TFacitRec r = ReadResult(st);
            std::string line = std::to_string(r.Omg);
            line.append(";").append(ExchangeField(r.Typ)).append(";").append(std::to_string(r.OmgID));
            line.append(";").append(ExchangeField(r.Rad));
            for (int i = 0; i < kSlotCount; ++i) {
                line.append(";").append(std::to_string(r.Winners[i]));
                line.append(";").append(AmountText(r.Payout[i]));
            }
            results.push_back(std::move(line));
        }
    }
    std::string c(code);
    core::WriteFileAtomic(folder / (c + "Matcher.txt"), core::Utf8ToCp1252(core::JoinCrLf(games)));
    core::WriteFileAtomic(folder / (c + "Resultat.txt"), core::Utf8ToCp1252(core::JoinCrLf(results)));
}

ImportReport TTipsData::ImportPool(std::string_view code, const fs::path& folder, std::vector<std::string>& errors) {
    std::string c(code);
    // Both files are read before anything is written: a missing one changes nothing.
    auto gameLines = ReadLines(folder / (c + "Matcher.txt"));
    auto resultLines = ReadLines(folder / (c + "Resultat.txt"));
    if (!db_) throw DatabaseError(core::Msg(kMsgNotOpen));
    ImportReport report;
    Transaction tx(db_);
    {
        GameWriter w(db_);
        for (size_t i = 0; i < gameLines.size(); ++i) {
            const std::string& line = gameLines[i];
            if (BlankLine(line)) continue;
            auto m = ParseEditorGamesLine(line);
            if (!m) {
                errors.push_back(line);
                report.skippedLines.push_back(i + 1);
            } else if (w.has(*m)) {
                ++report.unchanged;
            } else if (w.write(w.insert, *m) != SQLITE_OK) {
                errors.push_back("key: " + line);
            } else {
                ++report.inserted;
            }
        }
    }
    {
        ResultWriter w(db_);
        for (size_t i = 0; i < resultLines.size(); ++i) {
            const std::string& line = resultLines[i];
            if (BlankLine(line)) continue;
            auto r = ParseEditorResultsLine(line);
            if (!r) {
                errors.push_back(line);
                report.skippedLines.push_back(i + 1);
            } else if (w.has(*r)) {
                ++report.unchanged;
            } else if (w.write(w.insert, *r) != SQLITE_OK) {
                errors.push_back("key: " + line);
            } else {
                ++report.inserted;
            }
        }
    }
    tx.commit();
    return report;
}

ImportReport TTipsData::ImportAllPools(const fs::path& folder) {
    ImportReport total;
    std::vector<std::string> errors;
    for (const std::string& code : EditorPoolCodes()) {
        ImportReport r = ImportPool(code, folder, errors);
        total.inserted += r.inserted;
        total.unchanged += r.unchanged;
        total.skippedLines.insert(total.skippedLines.end(), r.skippedLines.begin(), r.skippedLines.end());
        // Written after every pool, so a later failure still leaves the list so far.
        core::WriteFileAtomic(folder / "errors.txt", core::Utf8ToCp1252(core::JoinCrLf(errors)));
    }
    return total;
}

// ---------------------------------------------------------------------------
// Rounds.

std::vector<RoundKey> TTipsData::ResultsTree(std::string_view typ) {
    Stmt st(db_, "SELECT Typ, Omg, OmgID FROM tRattRad WHERE Typ = ?1 ORDER BY Omg DESC, OmgID DESC");
    st.bind(1, typ);
    std::vector<RoundKey> out;
    while (st.step()) out.push_back({st.text(0), st.i32(1), st.i32(2)});
    return out;
}

size_t TTipsData::GameCount() {
    Stmt st(db_, "SELECT count(*) FROM tMatcher");
    return st.step() ? static_cast<size_t>(st.i64(0)) : 0;
}

size_t TTipsData::ResultCount() {
    Stmt st(db_, "SELECT count(*) FROM tRattRad");
    return st.step() ? static_cast<size_t>(st.i64(0)) : 0;
}

// ---------------------------------------------------------------------------
// Navigation in time order within one pool.

ResultNavigator::ResultNavigator(TTipsData& data, std::string typ) : data_(data), typ_(std::move(typ)) {}

bool ResultNavigator::moveTo(const char* where, int params, int32_t a, int32_t b) {
    std::string sql = std::string("SELECT ") + kResultColumns + " FROM tRattRad WHERE Typ = ?1 " + where;
    Stmt st(data_.handle(), sql.c_str());
    st.bind(1, std::string_view(typ_));
    if (params >= 1) st.bind(2, a);
    if (params >= 2) st.bind(3, b);
    if (!st.step()) return false;
    current_ = ReadResult(st);
    return true;
}

bool ResultNavigator::First() {
    bool ok = moveTo("ORDER BY Omg, OmgID LIMIT 1", 0);
    if (!ok) current_ = TFacitRec{};
    bof_ = true;
    eof_ = !ok;
    return ok;
}

bool ResultNavigator::Last() {
    bool ok = moveTo("ORDER BY Omg DESC, OmgID DESC LIMIT 1", 0);
    if (!ok) current_ = TFacitRec{};
    eof_ = true;
    bof_ = !ok;
    return ok;
}

bool ResultNavigator::Next() {
    if (!current_.found) return First();
    if (moveTo("AND (Omg, OmgID) > (?2, ?3) ORDER BY Omg, OmgID LIMIT 1", 2, current_.Omg, current_.OmgID)) {
        bof_ = eof_ = false;
        return true;
    }
    eof_ = true;
    bof_ = false;
    return Refresh();
}

bool ResultNavigator::Prior() {
    if (!current_.found) return Last();
    if (moveTo("AND (Omg, OmgID) < (?2, ?3) ORDER BY Omg DESC, OmgID DESC LIMIT 1", 2, current_.Omg, current_.OmgID)) {
        bof_ = eof_ = false;
        return true;
    }
    bof_ = true;
    eof_ = false;
    return Refresh();
}

bool ResultNavigator::Locate(int32_t omg) {
    if (!moveTo("AND Omg = ?2 ORDER BY OmgID LIMIT 1", 1, omg)) return false;
    bof_ = eof_ = false;
    return true;
}

bool ResultNavigator::Refresh() {
    if (!current_.found) return false;
    TFacitRec r = data_.FindResult(typ_, current_.OmgID);
    if (!r.found) {
        current_ = TFacitRec{};
        bof_ = eof_ = true;
        return false;
    }
    current_ = r;
    return true;
}

}  // namespace vinra::checking
