#include "dataset/ClientDataSet.h"

#include "dataset/FieldText.h"
#include "dataset/PacketCache.h"
#include "dataset/PacketTable.h"
#include "support/VxExceptions.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <utility>

using dataset::FieldType;
using dataset::Table;

// The dataset's own state over a shared, immutable table: the visiting order,
// posted edits and the edit buffer of the current row. The table is never
// written, so datasets loaded from one cached packet do not see each other's
// changes.
struct TClientDataSet::Impl {
    std::shared_ptr<const Table> Packet;
    // The visiting order: the table's live rows while identity, else order.
    bool Identity = true;
    std::vector<uint32_t> Order;
    uint32_t Pos = 0;
    bool Eof = true;

    std::unordered_map<uint64_t, std::string> Edits; // (row << 32 | field) -> posted text
    bool Editing = false;
    std::vector<std::pair<int, std::string>> Pending;

    std::string IndexNames;
    std::vector<int> IndexFields;

    // Typed text of the current row, one buffer per field, so that a field's
    // view stays valid while other fields are read.
    std::vector<std::string> Scratch;
    std::string ScratchAt; // typed text for TextAt
    dataset::PacketCache* Cache = nullptr;

    std::vector<std::pair<int, Listener>> Listeners;
    int NextListener = 1;

    // The last row read, found once for all its fields: writers and checks
    // read a row's fields one after the other. Rows are never changed in a
    // table, so only a new packet makes it stale.
    mutable uint32_t LastRow = UINT32_MAX;
    mutable dataset::Table::RowRef LastRef;
    void SetPacket(std::shared_ptr<const Table> New) {
        Packet = std::move(New);
        LastRow = UINT32_MAX;
    }

    uint32_t Count() const {
        if (!Packet) return 0;
        return Identity ? Packet->LiveRowCount() : static_cast<uint32_t>(Order.size());
    }
    uint32_t RowAt(uint32_t Position) const { return Identity ? Packet->LiveRow(Position) : Order[Position]; }
    void Materialize() {
        if (!Identity) return;
        const uint32_t n = Packet->LiveRowCount();
        Order.resize(n);
        for (uint32_t i = 0; i < n; ++i) Order[i] = Packet->LiveRow(i);
        Identity = false;
    }
    static uint64_t Key(uint32_t Row, int Field) { return (uint64_t(Row) << 32) | uint32_t(Field); }

    // The stored text of a cell, with posted and pending edits; nullptr-like
    // null reported through Null.
    std::string_view Cell(uint32_t Row, int Field, bool Current, bool& Null) const {
        if (Current && Editing) {
            for (const auto& p : Pending)
                if (p.first == Field) {
                    Null = false;
                    return p.second;
                }
        }
        if (!Edits.empty()) {
            auto it = Edits.find(Key(Row, Field));
            if (it != Edits.end()) {
                Null = false;
                return it->second;
            }
        }
        if (Row != LastRow) {
            LastRef = Packet->Row(Row);
            LastRow = Row;
        }
        return Packet->Value(LastRef, Field, Null);
    }

    void Notify() {
        if (Listeners.empty()) return;
        auto copy = Listeners;
        for (auto& l : copy) l.second();
    }
};

namespace {

std::vector<std::string> SplitNames(const std::string& Names) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= Names.size()) {
        size_t end = Names.find(';', start);
        if (end == std::string::npos) end = Names.size();
        std::string name = Names.substr(start, end - start);
        while (!name.empty() && name.front() == ' ') name.erase(name.begin());
        while (!name.empty() && name.back() == ' ') name.pop_back();
        if (!name.empty()) out.push_back(std::move(name));
        start = end + 1;
    }
    return out;
}

// One index field's sort key of one row.
struct SortKey {
    int Rank = 0; // 0 null, 1 text (or a number field's non-number), 2 number
    double Number = 0;
    int64_t Integer = 0;
    // The first 8 bytes, big-endian and zero-padded: most text comparisons end
    // here without reaching into the table.
    uint64_t Prefix = 0;
    std::string_view Text;
};

uint64_t TextPrefix(std::string_view Text) {
    uint64_t Prefix = 0;
    for (size_t i = 0; i < 8; ++i)
        Prefix = (Prefix << 8) | (i < Text.size() ? static_cast<unsigned char>(Text[i]) : 0u);
    return Prefix;
}

int CompareBytes(std::string_view A, std::string_view B) {
    const size_t n = std::min(A.size(), B.size());
    for (size_t i = 0; i < n; ++i) {
        const auto a = static_cast<unsigned char>(A[i]), b = static_cast<unsigned char>(B[i]);
        if (a != b) return a < b ? -1 : 1;
    }
    return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

// The sort key of one cell's stored text as the index compares it.
SortKey MakeSortKey(std::string_view raw, bool Null, FieldType Type) {
    SortKey key;
    if (Null) return key;
    key.Rank = 1;
    key.Text = raw;
    key.Prefix = TextPrefix(raw);
    if (dataset::IsIntegerType(Type)) {
        if (dataset::ParseStoredInteger(raw, key.Integer)) key.Rank = 2;
    } else if (dataset::IsFloatType(Type)) {
        if (dataset::ParseStoredFloat(raw, key.Number)) key.Rank = 2;
    } else if (Type == FieldType::Boolean) {
        bool b = false;
        if (dataset::ParseStoredBoolean(raw, b)) {
            key.Rank = 2;
            key.Integer = b ? 1 : 0;
        }
    }
    return key;
}

int CompareSortKeys(const SortKey& A, const SortKey& B, bool FloatKey) {
    if (A.Rank != B.Rank) return A.Rank < B.Rank ? -1 : 1;
    if (A.Rank == 2) {
        if (FloatKey) return A.Number < B.Number ? -1 : (B.Number < A.Number ? 1 : 0);
        return A.Integer < B.Integer ? -1 : (B.Integer < A.Integer ? 1 : 0);
    }
    if (A.Rank == 1)
        return A.Prefix != B.Prefix ? (A.Prefix < B.Prefix ? -1 : 1) : CompareBytes(A.Text, B.Text);
    return 0;
}

} // namespace

// ---- TField ------------------------------------------------------------------

std::string_view TField::AsText() const {
    auto& d = *FDataSet->FImpl;
    if (!d.Packet || d.Count() == 0) return {};
    bool null = false;
    const uint32_t row = d.RowAt(d.Pos);
    const std::string_view raw = d.Cell(row, FIndex, true, null);
    if (null) return {};
    const dataset::FieldDef& def = d.Packet->Fields()[static_cast<size_t>(FIndex)];
    if (dataset::IsTextType(def.Type)) return raw; // most fields, without a call
    return dataset::StoredToText(def, raw, d.Scratch[static_cast<size_t>(FIndex)]);
}

void TClientDataSet::CurrentTexts(std::span<const TField> Fields, std::string_view* Out) {
    auto& d = *FImpl;
    if (!d.Packet || d.Count() == 0 || d.Editing || !d.Edits.empty()) {
        for (const TField& F : Fields) *Out++ = F.AsText();
        return;
    }
    const uint32_t row = d.RowAt(d.Pos);
    if (row != d.LastRow) {
        d.LastRef = d.Packet->Row(row);
        d.LastRow = row;
    }
    const std::vector<dataset::FieldDef>& defs = d.Packet->Fields();
    for (const TField& F : Fields) {
        const auto index = static_cast<size_t>(F.Index());
        bool null = false;
        const std::string_view raw = d.Packet->Value(d.LastRef, F.Index(), null);
        const dataset::FieldDef& def = defs[index];
        *Out++ = null                            ? std::string_view()
                 : dataset::IsTextType(def.Type) ? raw
                                                 : dataset::StoredToText(def, raw, d.Scratch[index]);
    }
}

int TField::AsInteger() const {
    auto& d = *FDataSet->FImpl;
    if (!d.Packet || d.Count() == 0) return 0;
    bool null = false;
    const std::string_view raw = d.Cell(d.RowAt(d.Pos), FIndex, true, null);
    if (null) return 0;
    const dataset::FieldDef& def = d.Packet->Fields()[static_cast<size_t>(FIndex)];
    // One to nine digits, as integer fields mostly hold (flags, years): read here.
    if (dataset::IsIntegerType(def.Type) && !raw.empty() && raw.size() <= 9) {
        int value = 0;
        bool digits = true;
        for (const char c : raw) {
            if (c < '0' || c > '9') {
                digits = false;
                break;
            }
            value = value * 10 + (c - '0');
        }
        if (digits) return value;
    }
    return dataset::StoredToInteger(def, raw);
}

bool TField::IsNull() const {
    auto& d = *FDataSet->FImpl;
    if (!d.Packet || d.Count() == 0) return true;
    bool null = false;
    d.Cell(d.RowAt(d.Pos), FIndex, true, null);
    return null;
}

void TField::SetAsString(std::string_view Value) const {
    auto& d = *FDataSet->FImpl;
    if (!d.Editing) throw EVxError("Dataset not in edit or insert mode");
    std::string stored = dataset::TextToStored(d.Packet->Fields()[static_cast<size_t>(FIndex)], Value);
    for (auto& p : d.Pending)
        if (p.first == FIndex) {
            p.second = std::move(stored);
            return;
        }
    d.Pending.emplace_back(FIndex, std::move(stored));
}

const std::string& TField::FieldName() const {
    return FDataSet->FieldDefAt(FIndex).Name;
}

// ---- TClientDataSet ------------------------------------------------------------

TClientDataSet::TClientDataSet(std::string Name) : FName(std::move(Name)), FImpl(std::make_unique<Impl>()) {}

TClientDataSet::~TClientDataSet() = default;

dataset::PacketCache* TClientDataSet::Cache() const {
    return FImpl->Cache;
}

void TClientDataSet::Opened(std::shared_ptr<const dataset::Table> Packet) {
    auto& d = *FImpl;
    d.SetPacket(std::move(Packet));
    d.Scratch.assign(static_cast<size_t>(d.Packet->FieldCount()), std::string());
    if (!d.IndexNames.empty()) {
        try {
            SetIndexFieldNames(d.IndexNames);
        } catch (...) {
            Close();
            throw;
        }
    }
    d.Pos = 0;
    d.Eof = d.Count() == 0;
    d.Notify();
}

void TClientDataSet::Close() {
    auto& d = *FImpl;
    const bool was = d.Packet != nullptr;
    d.SetPacket(nullptr);
    d.Identity = true;
    d.Order.clear();
    d.Order.shrink_to_fit();
    d.Pos = 0;
    d.Eof = true;
    d.Edits.clear();
    d.Editing = false;
    d.Pending.clear();
    d.IndexFields.clear();
    if (was) d.Notify();
}

bool TClientDataSet::Active() const {
    return FImpl->Packet != nullptr;
}

void TClientDataSet::First() {
    if (FImpl->Editing) Post();
    FImpl->Pos = 0;
    FImpl->Eof = FImpl->Count() == 0;
    FImpl->Notify();
}

void TClientDataSet::Next() {
    auto& d = *FImpl;
    if (d.Editing) Post();
    if (d.Pos + 1 < d.Count()) {
        ++d.Pos;
        d.Eof = false;
    } else {
        d.Eof = true;
    }
    d.Notify();
}

bool TClientDataSet::Eof() const {
    return FImpl->Eof || FImpl->Count() == 0;
}

int TClientDataSet::RecNo() const {
    return FImpl->Count() == 0 ? -1 : static_cast<int>(FImpl->Pos);
}

void TClientDataSet::SetRecNo(int Position) {
    auto& d = *FImpl;
    if (d.Editing) Post();
    const uint32_t n = d.Count();
    if (n == 0) return;
    d.Pos = static_cast<uint32_t>(std::clamp<int64_t>(Position, 0, int64_t(n) - 1));
    d.Eof = false;
    d.Notify();
}

TField TClientDataSet::FieldByName(std::string_view Name) {
    TField f = FindField(Name);
    if (!f.Valid()) throw EVxError("Field '" + std::string(Name) + "' not found");
    return f;
}

TField TClientDataSet::FindField(std::string_view Name) {
    if (!FImpl->Packet) return {};
    const int i = FImpl->Packet->FindField(Name);
    return i < 0 ? TField() : TField(this, i);
}

int TClientDataSet::FieldCount() const {
    return FImpl->Packet ? FImpl->Packet->FieldCount() : 0;
}

const dataset::FieldDef& TClientDataSet::FieldDefAt(int Index) const {
    if (!FImpl->Packet || Index < 0 || Index >= FImpl->Packet->FieldCount())
        throw EVxInternalError("Field index " + std::to_string(Index) + " out of range");
    return FImpl->Packet->Fields()[static_cast<size_t>(Index)];
}

void TClientDataSet::Edit() {
    auto& d = *FImpl;
    if (!d.Packet) throw EVxError("Cannot perform this operation on a closed dataset");
    if (d.Count() == 0) throw EVxError("Cannot edit an empty dataset");
    if (d.Editing) return;
    d.Editing = true;
    d.Pending.clear();
}

void TClientDataSet::Post() {
    auto& d = *FImpl;
    if (!d.Editing) return;
    const uint32_t row = d.RowAt(d.Pos);
    bool resort = false;
    for (auto& p : d.Pending) {
        d.Edits[Impl::Key(row, p.first)] = std::move(p.second);
        resort =
            resort || std::find(d.IndexFields.begin(), d.IndexFields.end(), p.first) != d.IndexFields.end();
    }
    d.Pending.clear();
    d.Editing = false;
    if (resort) SetIndexFieldNames(d.IndexNames);
    d.Notify();
}

void TClientDataSet::Cancel() {
    auto& d = *FImpl;
    if (!d.Editing) return;
    d.Pending.clear();
    d.Editing = false;
    d.Notify();
}

void TClientDataSet::Delete() {
    auto& d = *FImpl;
    if (!d.Packet) throw EVxError("Cannot perform this operation on a closed dataset");
    if (d.Count() == 0) throw EVxError("Cannot perform this operation on an empty dataset");
    d.Pending.clear();
    d.Editing = false;
    d.Materialize();
    d.Order.erase(d.Order.begin() + d.Pos);
    const uint32_t n = d.Count();
    if (d.Pos < n) {
        d.Eof = false;
    } else {
        d.Pos = n ? n - 1 : 0;
        d.Eof = true;
    }
    d.Notify();
}

int TClientDataSet::RecordCount() const {
    return static_cast<int>(FImpl->Count());
}

void TClientDataSet::SetIndexFieldNames(const std::string& Names) {
    auto& d = *FImpl;
    if (d.Editing) Post();
    const auto names = SplitNames(Names);
    std::vector<int> fields;
    if (d.Packet) {
        for (const auto& n : names) fields.push_back(FieldByName(n).Index());
    }
    d.IndexNames = Names;
    d.IndexFields = fields;
    if (!d.Packet) return;
    const uint32_t n = d.Count();
    if (n == 0) return;
    const uint32_t currentRow = d.RowAt(d.Pos);
    d.Materialize();

    // Keys per position, then a permutation sorted on them; the table row index
    // (stored order) breaks the last tie, which makes the order stable.
    const size_t nk = fields.size();
    std::vector<SortKey> keys(nk * n);
    std::vector<uint8_t> floatKey(nk);
    for (size_t k = 0; k < nk; ++k) {
        const int f = fields[k];
        const FieldType type = d.Packet->Fields()[static_cast<size_t>(f)].Type;
        floatKey[k] = dataset::IsFloatType(type);
        for (uint32_t i = 0; i < n; ++i) {
            bool null = false;
            const std::string_view raw = d.Cell(d.Order[i], f, false, null);
            keys[i * nk + k] = MakeSortKey(raw, null, type);
        }
    }
    std::vector<uint32_t> perm(n);
    std::iota(perm.begin(), perm.end(), 0u);
    const auto& order = d.Order;
    const auto before = [&](uint32_t a, uint32_t b) {
        const SortKey* ka = keys.data() + a * nk;
        const SortKey* kb = keys.data() + b * nk;
        for (size_t k = 0; k < nk; ++k) {
            const int c = CompareSortKeys(ka[k], kb[k], floatKey[k]);
            if (c != 0) return c < 0;
        }
        return order[a] < order[b];
    };
    // Rows already in index order (a packet written sorted) cost one pass.
    if (!std::is_sorted(perm.begin(), perm.end(), before)) std::sort(perm.begin(), perm.end(), before);
    std::vector<uint32_t> sorted(n);
    for (uint32_t i = 0; i < n; ++i) sorted[i] = order[perm[i]];
    d.Order.swap(sorted);
    for (uint32_t i = 0; i < n; ++i)
        if (d.Order[i] == currentRow) d.Pos = i;
    d.Eof = false;
    d.Notify();
}

const std::string& TClientDataSet::IndexFieldNames() const {
    return FImpl->IndexNames;
}

TClientDataSet::IndexOrder::IndexOrder(TClientDataSet& DataSet, const std::string& Names)
    : FDataSet(DataSet) {
    if (!DataSet.FImpl->Packet) return;
    for (const auto& n : SplitNames(Names)) FFields.push_back(DataSet.FieldByName(n).Index());
}

bool TClientDataSet::IndexOrder::Before(int PositionA, int PositionB) const {
    const auto& d = *FDataSet.FImpl;
    const uint32_t a = d.RowAt(static_cast<uint32_t>(PositionA));
    const uint32_t b = d.RowAt(static_cast<uint32_t>(PositionB));
    for (const int f : FFields) {
        const FieldType type = d.Packet->Fields()[static_cast<size_t>(f)].Type;
        bool nullA = false, nullB = false;
        const std::string_view rawA = d.Cell(a, f, false, nullA);
        const std::string_view rawB = d.Cell(b, f, false, nullB);
        const int c = CompareSortKeys(MakeSortKey(rawA, nullA, type), MakeSortKey(rawB, nullB, type),
                                      dataset::IsFloatType(type));
        if (c != 0) return c < 0;
    }
    return a < b;
}

bool TClientDataSet::Locate(const std::string& KeyFields, const std::vector<std::string>& KeyValues) {
    auto& d = *FImpl;
    if (d.Editing) Post();
    const auto names = SplitNames(KeyFields);
    if (names.size() != KeyValues.size())
        throw EVxInternalError("Locate: " + std::to_string(names.size()) + " key fields but " +
                               std::to_string(KeyValues.size()) + " values");
    std::vector<int> fields;
    fields.reserve(names.size());
    for (const auto& n : names) fields.push_back(FieldByName(n).Index());
    const uint32_t n = d.Count();
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t row = d.RowAt(i);
        bool match = true;
        for (size_t k = 0; k < fields.size() && match; ++k) {
            bool null = false;
            const std::string_view raw = d.Cell(row, fields[k], false, null);
            const auto& def = d.Packet->Fields()[static_cast<size_t>(fields[k])];
            const std::string_view text =
                null ? std::string_view() : dataset::StoredToText(def, raw, d.ScratchAt);
            match = text == KeyValues[k];
        }
        if (match) {
            d.Pos = i;
            d.Eof = false;
            d.Notify();
            return true;
        }
    }
    return false;
}

std::string_view TClientDataSet::TextAt(int Position, int FieldIndex) {
    auto& d = *FImpl;
    if (!d.Packet || Position < 0 || static_cast<uint32_t>(Position) >= d.Count() || FieldIndex < 0 ||
        FieldIndex >= d.Packet->FieldCount())
        return {};
    bool null = false;
    const std::string_view raw = d.Cell(d.RowAt(static_cast<uint32_t>(Position)), FieldIndex,
                                        static_cast<uint32_t>(Position) == d.Pos, null);
    if (null) return {};
    return dataset::StoredToText(d.Packet->Fields()[static_cast<size_t>(FieldIndex)], raw, d.ScratchAt);
}

void TClientDataSet::SetPacketCache(dataset::PacketCache* Cache) {
    FImpl->Cache = Cache;
}

int TClientDataSet::AddListener(Listener L) {
    const int id = FImpl->NextListener++;
    FImpl->Listeners.emplace_back(id, std::move(L));
    return id;
}

void TClientDataSet::RemoveListener(int Id) {
    auto& l = FImpl->Listeners;
    l.erase(std::remove_if(l.begin(), l.end(), [Id](const auto& p) { return p.first == Id; }), l.end());
}
