#pragma once
// The data packet exchanged between a provider and a client data set: column
// descriptions and rows. A packet of pending changes (the delta) carries, in the order of
// the changes:
//   inserted record  -> one row, status Inserted, with the record's values;
//   deleted record   -> one row, status Deleted, with the values as read;
//   modified record  -> two rows: the before-image (status Unmodified) with the values as
//                       read, then a row with status Modified in which only the fields
//                       assigned a new value carry one (the others are unassigned).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/Query.h"
#include "db/Value.h"

namespace db {

// Provider flags of a field: part of the update, of the selection (WHERE), of the key.
enum ProviderFlag : unsigned {
    pfInUpdate = 1u,
    pfInWhere = 2u,
    pfInKey = 4u,
    pfHidden = 8u,
};
using ProviderFlags = unsigned;
constexpr ProviderFlags kDefaultProviderFlags = pfInUpdate | pfInWhere;

struct FieldDef {
    std::string name;
    DataType type = DataType::String;
    int size = 0;        // characters for String
    int precision = 0;   // digits of Decimal (0 = 18)
    int scale = 0;       // decimals of Decimal
    bool required = false;
    bool fixedChar = false;
    bool readOnly = false;            // not updatable (expression or other table)
    ProviderFlags providerFlags = kDefaultProviderFlags;
    std::string originTable;          // table the provider writes to
    std::string originField;          // column name in that table
};

class FieldDefs {
public:
    FieldDef& Add(std::string name, DataType type, int size = 0, bool required = false);
    FieldDef& Add(FieldDef def);
    std::size_t Count() const noexcept { return items_.size(); }
    FieldDef& operator[](std::size_t i) { return items_[i]; }
    const FieldDef& operator[](std::size_t i) const { return items_[i]; }
    int IndexOf(std::string_view name) const noexcept;  // case-insensitive, -1 when absent
    const FieldDef* Find(std::string_view name) const noexcept;
    void Clear() { items_.clear(); }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<FieldDef> items_;
};

enum class UpdateStatus { Unmodified, Modified, Inserted, Deleted };
enum class UpdateKind { Modify, Insert, Delete };

struct PacketRow {
    UpdateStatus status = UpdateStatus::Unmodified;
    std::vector<Value> values;
    // Empty when every field is assigned; otherwise one flag per field (Modified rows).
    std::vector<char> assigned;
    bool Assigned(std::size_t field) const noexcept {
        return assigned.empty() || (field < assigned.size() && assigned[field]);
    }
};

struct DataPacket {
    FieldDefs fields;
    std::vector<PacketRow> rows;
    // Table the rows come from (the provider's update table), when known.
    std::string tableName;
};

}  // namespace db
