#include "db/DataPacket.h"

namespace db {

FieldDef& FieldDefs::Add(std::string name, DataType type, int size, bool required) {
    FieldDef d;
    d.name = std::move(name);
    d.type = type;
    d.size = size;
    d.required = required;
    if (type == DataType::Memo || type == DataType::Blob) d.providerFlags = pfInUpdate;
    return Add(std::move(d));
}

FieldDef& FieldDefs::Add(FieldDef def) {
    if (IndexOf(def.name) >= 0) throw Error("Duplicate field name '" + def.name + "'");
    items_.push_back(std::move(def));
    return items_.back();
}

int FieldDefs::IndexOf(std::string_view name) const noexcept {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (SameText(items_[i].name, name)) return static_cast<int>(i);
    return -1;
}

const FieldDef* FieldDefs::Find(std::string_view name) const noexcept {
    int i = IndexOf(name);
    return i < 0 ? nullptr : &items_[static_cast<std::size_t>(i)];
}

}  // namespace db
