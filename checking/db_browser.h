#pragma once
// What the database editor shows and changes: every stored match and result of
// one pool (or of all), deleting a selection in one transaction, and editing a
// result record field by field with the value checked before it is stored.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checking/tips_data.h"

namespace vinra::checking {

// The pools the editor filters by, in the order its index list shows them;
// the results page also lists the half-time pools B, D and F.
struct PoolChoice {
    std::string code;
    std::string name;
};
const std::vector<PoolChoice>& EditorGameChoices();
const std::vector<PoolChoice>& EditorResultChoices();

// Games in the table's own order (Omg, Typ, OmgID, Match); typ empty: all pools.
std::vector<MatchRecord> ListGames(TTipsData& db, std::string_view typ);
// Results in key order (OmgID, Typ); typ empty: all pools.
std::vector<TFacitRec> ListResults(TTipsData& db, std::string_view typ);

struct GameKey {
    std::string Typ;
    int32_t OmgID = 0;
    int32_t Match = 0;
};
struct ResultKey {
    std::string Typ;
    int32_t OmgID = 0;
};
// Deletes the records of the keys in one transaction; returns how many existed.
size_t DeleteGames(TTipsData& db, const std::vector<GameKey>& keys);
size_t DeleteResults(TTipsData& db, const std::vector<ResultKey>& keys);

// The editable fields of a result record, in the table's order.
enum class ResultField { Omg, Rad, A13, U13, A12, U12, A11, U11, A10, U10, Typ, OmgID };
constexpr int kResultFieldCount = 12;
const char* ResultFieldName(ResultField f);
// The text a field is shown with in the editor (payouts "1 500 000,50").
std::string ResultFieldText(const TFacitRec& rec, ResultField f);
// The record with one field set from the text the user typed; nullopt when
// the text is not a value of that field (a number that does not read, a
// negative count, a row longer than 30 characters, a pool code that is not
// one to three letters). Rows and pool codes are upper-cased.
std::optional<TFacitRec> WithResultField(const TFacitRec& rec, ResultField f, std::string_view text);

enum class EditOutcome { Stored, KeyTaken, Missing };
// Replaces the record `before` by `after` in one transaction. When the key
// changes and another record already has the new key nothing is written
// (KeyTaken); when `before` is no longer stored nothing is written (Missing).
EditOutcome ReplaceResult(TTipsData& db, const TFacitRec& before, const TFacitRec& after);

}  // namespace vinra::checking
