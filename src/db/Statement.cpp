// Conversion of values to and from Firebird messages, and statement execution.
#include <cmath>
#include <cstring>
#include <limits>

#include "db/FbDetail.h"
#include "platform/Mensagens.h"

using namespace Firebird;

namespace db::detail {

namespace {

constexpr int kDiaBase = 15018;            // ISC_DATE of 30 Dec 1899
constexpr std::int64_t kTicksDia = 864000000;  // 1/10000 s per day

constexpr std::int64_t kPot10[19] = {1LL, 10LL, 100LL, 1000LL, 10000LL, 100000LL, 1000000LL,
                                     10000000LL, 100000000LL, 1000000000LL, 10000000000LL,
                                     100000000000LL, 1000000000000LL, 10000000000000LL,
                                     100000000000000LL, 1000000000000000LL, 10000000000000000LL,
                                     100000000000000000LL, 1000000000000000000LL};

[[noreturn]] void Overflow() {
    throw Error("arithmetic exception, numeric overflow, or string truncation\n-numeric value is out of range",
                {335544321, 335544779}, "22003");
}
[[noreturn]] void Truncation() {
    throw Error("arithmetic exception, numeric overflow, or string truncation\n-string right truncation",
                {335544321, 335544914}, "22001");
}
[[noreturn]] void ConversionError(const std::string& v) {
    throw Error("conversion error from string \"" + v + "\"", {335544334}, "22018");
}

void ToTimestamp(TDateTime dt, ISC_DATE& d, ISC_TIME& t) {
    double dia = std::trunc(dt);
    double frac = std::fabs(dt - dia);
    std::int64_t ticks = std::llround(frac * static_cast<double>(kTicksDia));
    std::int64_t n = static_cast<std::int64_t>(dia);
    if (ticks >= kTicksDia) {
        ticks -= kTicksDia;
        n += 1;
    }
    d = static_cast<ISC_DATE>(n + kDiaBase);
    t = static_cast<ISC_TIME>(ticks);
}

TDateTime FromTimestamp(ISC_DATE d, ISC_TIME t) {
    double dia = static_cast<double>(static_cast<std::int64_t>(d) - kDiaBase);
    double frac = static_cast<double>(t) / static_cast<double>(kTicksDia);
    return dia >= 0 ? dia + frac : dia - frac;
}

// Scaled integer of a value at the given number of decimals.
std::int64_t Escalado(const Value& v, int dec) {
    auto rescale = [](std::int64_t m, int de, int para) -> std::int64_t {
        if (de == para) return m;
        if (para > de) {
            __int128 r = static_cast<__int128>(m) * kPot10[para - de];
            if (r > std::numeric_limits<std::int64_t>::max() || r < std::numeric_limits<std::int64_t>::min())
                Overflow();
            return static_cast<std::int64_t>(r);
        }
        std::int64_t f = kPot10[de - para];
        std::int64_t q = m / f, r = m % f;
        if (r * 2 >= f) ++q;
        else if (r * 2 <= -f) --q;
        return q;
    };
    switch (v.Kind()) {
        case ValueKind::Integer:
        case ValueKind::Boolean: return rescale(v.RawInteger(), 0, dec);
        case ValueKind::Decimal: return rescale(v.RawInteger(), v.Scale(), dec);
        case ValueKind::Float:
        case ValueKind::DateTime: {
            double r = std::round(v.AsFloat() * static_cast<double>(kPot10[dec]));
            if (!(std::fabs(r) < 9.2e18)) Overflow();
            return static_cast<std::int64_t>(r);
        }
        case ValueKind::Text:
        case ValueKind::Bytes: {
            // exact decimal text: optional sign, digits, one ',' or '.' separator
            std::string s = v.AsString();
            std::string t;
            for (char ch : s)
                if (ch != ' ') t += ch;
            std::size_t i = 0;
            bool neg = false;
            if (!t.empty() && (t[0] == '-' || t[0] == '+')) neg = t[i++] == '-';
            bool depois = false, dig = false;
            int sc = 0;
            __int128 acc = 0;
            for (; i < t.size(); ++i) {
                char ch = t[i];
                if (ch >= '0' && ch <= '9') {
                    dig = true;
                    if (depois) {
                        if (sc >= 18) continue;
                        ++sc;
                    }
                    acc = acc * 10 + (ch - '0');
                    if (acc > std::numeric_limits<std::int64_t>::max()) Overflow();
                } else if ((ch == ',' || ch == '.') && !depois) {
                    depois = true;
                } else {
                    ConversionError(s);
                }
            }
            if (!dig) ConversionError(s);
            std::int64_t m = neg ? -static_cast<std::int64_t>(acc) : static_cast<std::int64_t>(acc);
            return rescale(m, sc, dec);
        }
        case ValueKind::Null: return 0;
    }
    return 0;
}

std::string TextBytes(const Value& v) {
    if (v.Kind() == ValueKind::Bytes) return v.RawText();
    if (v.Kind() == ValueKind::Text) return ToDb(v.RawText());
    if (v.Kind() == ValueKind::DateTime) return ToDb(v.AsString());
    return ToDb(v.AsString());
}

void WriteBlob(ConnectionImpl& c, ITransaction* tra, const std::string& bytes, ISC_QUAD* id) {
    Status st;
    auto b = Obter([&](auto* s) { return c.att->createBlob(s, tra, id, 0, nullptr); });
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        unsigned n = static_cast<unsigned>(std::min<std::size_t>(32768, bytes.size() - pos));
        b->putSegment(&st, n, bytes.data() + pos);
        pos += n;
    }
    Encerrar(b, [](IBlob* x, QuietStatus* s) { x->close(s); });
}

std::string ReadBlob(ConnectionImpl& c, ITransaction* tra, const ISC_QUAD* id) {
    Status st;
    auto b = Obter([&](auto* s) { return c.att->openBlob(s, tra, const_cast<ISC_QUAD*>(id), 0, nullptr); });
    std::string out;
    char buf[32768];
    for (;;) {
        unsigned got = 0;
        int r = b->getSegment(&st, sizeof buf, buf, &got);
        if (r == IStatus::RESULT_NO_DATA) break;
        out.append(buf, got);
    }
    Encerrar(b, [](IBlob* x, QuietStatus* s) { x->close(s); });
    return out;
}

}  // namespace

void BindInput(ConnectionImpl& c, ITransaction* tra, PreparedStatement& ps,
               const std::vector<const Value*>& values, std::vector<unsigned char>& buf,
               std::unique_ptr<MessageLayout>& widened) {
    const MessageLayout* lay = &ps.in;
    const std::size_t n = ps.in.items.size();
    // Text longer than a parameter's declared length: widen the message so the server
    // judges it (a comparison with a longer text is not an error; an assignment is).
    thread_local std::vector<std::string> textos;
    textos.resize(n);
    for (auto& t : textos) t.clear();
    bool alargar = false;
    for (std::size_t i = 0; i < n; ++i) {
        const Value* v = i < values.size() ? values[i] : nullptr;
        const auto& it = ps.in.items[i];
        if (v && !v->IsNull() && (it.type == SQL_TEXT || it.type == SQL_VARYING)) {
            textos[i] = TextBytes(*v);
            if (textos[i].size() > it.length) {
                if (textos[i].size() > 32765) Truncation();
                alargar = true;
            }
        }
    }
    if (alargar) {
        Status st;
        auto b = Obter([&](auto* s) { return ps.in.meta->getBuilder(s); });
        for (std::size_t i = 0; i < n; ++i) {
            const auto& it = ps.in.items[i];
            if ((it.type == SQL_TEXT || it.type == SQL_VARYING) && textos[i].size() > it.length) {
                b->setType(&st, static_cast<unsigned>(i), SQL_VARYING + 1);
                b->setLength(&st, static_cast<unsigned>(i), static_cast<unsigned>(textos[i].size()));
            }
        }
        widened = std::make_unique<MessageLayout>();
        widened->Load(Obter([&](auto* s) { return b->getMetadata(s); }));
        lay = widened.get();
    }
    buf.assign(lay->length, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const auto& it = lay->items[i];
        const Value* v = i < values.size() ? values[i] : nullptr;
        auto* nul = reinterpret_cast<short*>(buf.data() + it.nullOffset);
        unsigned char* p = buf.data() + it.offset;
        if (!v || v->IsNull()) {
            *nul = -1;
            continue;
        }
        *nul = 0;
        switch (it.type) {
            case SQL_TEXT: {
                const std::string& s = textos[i];
                if (s.size() > it.length) Truncation();
                std::memcpy(p, s.data(), s.size());
                std::memset(p + s.size(), ' ', it.length - s.size());
                break;
            }
            case SQL_VARYING: {
                const std::string& s = textos[i];
                if (s.size() > it.length) Truncation();
                std::uint16_t len = static_cast<std::uint16_t>(s.size());
                std::memcpy(p, &len, 2);
                std::memcpy(p + 2, s.data(), s.size());
                break;
            }
            case SQL_SHORT: {
                std::int64_t x = Escalado(*v, -it.scale);
                if (x < std::numeric_limits<std::int16_t>::min() || x > std::numeric_limits<std::int16_t>::max())
                    Overflow();
                std::int16_t y = static_cast<std::int16_t>(x);
                std::memcpy(p, &y, 2);
                break;
            }
            case SQL_LONG: {
                std::int64_t x = Escalado(*v, -it.scale);
                if (x < std::numeric_limits<std::int32_t>::min() || x > std::numeric_limits<std::int32_t>::max())
                    Overflow();
                std::int32_t y = static_cast<std::int32_t>(x);
                std::memcpy(p, &y, 4);
                break;
            }
            case SQL_INT64: {
                std::int64_t x = Escalado(*v, -it.scale);
                std::memcpy(p, &x, 8);
                break;
            }
            case SQL_FLOAT: {
                float f = static_cast<float>(v->AsFloat());
                std::memcpy(p, &f, 4);
                break;
            }
            case SQL_DOUBLE:
            case SQL_D_FLOAT: {
                double d = v->AsFloat();
                std::memcpy(p, &d, 8);
                break;
            }
            case SQL_TIMESTAMP: {
                ISC_TIMESTAMP ts;
                ToTimestamp(v->AsDateTime(), ts.timestamp_date, ts.timestamp_time);
                std::memcpy(p, &ts, sizeof ts);
                break;
            }
            case SQL_TYPE_DATE: {
                ISC_DATE d;
                ISC_TIME t;
                TDateTime dt = v->AsDateTime();
                ToTimestamp(std::trunc(dt), d, t);
                std::memcpy(p, &d, sizeof d);
                break;
            }
            case SQL_TYPE_TIME: {
                ISC_DATE d;
                ISC_TIME t;
                TDateTime dt = v->AsDateTime();
                ToTimestamp(std::fabs(dt - std::trunc(dt)), d, t);
                if (d != kDiaBase) t = 0;  // rounded up to midnight
                std::memcpy(p, &t, sizeof t);
                break;
            }
            case SQL_BOOLEAN: {
                unsigned char b = v->AsBoolean() ? 1 : 0;
                *p = b;
                break;
            }
            case SQL_BLOB: {
                ISC_QUAD id;
                WriteBlob(c, tra, TextBytes(*v), &id);
                std::memcpy(p, &id, sizeof id);
                break;
            }
            case SQL_NULL: break;
            default: throw Error("Unsupported parameter type " + std::to_string(it.type));
        }
    }
}

void ReadRow(ConnectionImpl& c, ITransaction* tra, const PreparedStatement& ps,
             const unsigned char* buf, std::vector<Value>& row) {
    const auto& items = ps.out.items;
    row.clear();
    row.reserve(items.size());
    for (const auto& it : items) {
        if (*reinterpret_cast<const short*>(buf + it.nullOffset)) {
            row.emplace_back();
            continue;
        }
        const unsigned char* p = buf + it.offset;
        switch (it.type) {
            case SQL_TEXT: {
                std::string_view raw(reinterpret_cast<const char*>(p), it.length);
                row.push_back(it.charSet == 1 ? Value::Bytes(std::string(raw)) : Value::Text(FromDb(raw)));
                break;
            }
            case SQL_VARYING: {
                std::uint16_t len;
                std::memcpy(&len, p, 2);
                std::string_view raw(reinterpret_cast<const char*>(p + 2), len);
                row.push_back(it.charSet == 1 ? Value::Bytes(std::string(raw)) : Value::Text(FromDb(raw)));
                break;
            }
            case SQL_SHORT: {
                std::int16_t x;
                std::memcpy(&x, p, 2);
                row.push_back(it.scale ? Value::Decimal(x, -it.scale) : Value::Integer(x));
                break;
            }
            case SQL_LONG: {
                std::int32_t x;
                std::memcpy(&x, p, 4);
                row.push_back(it.scale ? Value::Decimal(x, -it.scale) : Value::Integer(x));
                break;
            }
            case SQL_INT64: {
                std::int64_t x;
                std::memcpy(&x, p, 8);
                row.push_back(it.scale ? Value::Decimal(x, -it.scale) : Value::Integer(x));
                break;
            }
            case SQL_FLOAT: {
                float f;
                std::memcpy(&f, p, 4);
                row.push_back(Value::Float(f));
                break;
            }
            case SQL_DOUBLE:
            case SQL_D_FLOAT: {
                double d;
                std::memcpy(&d, p, 8);
                row.push_back(Value::Float(d));
                break;
            }
            case SQL_TIMESTAMP: {
                ISC_TIMESTAMP ts;
                std::memcpy(&ts, p, sizeof ts);
                row.push_back(Value::DateTime(FromTimestamp(ts.timestamp_date, ts.timestamp_time)));
                break;
            }
            case SQL_TYPE_DATE: {
                ISC_DATE d;
                std::memcpy(&d, p, sizeof d);
                row.push_back(Value::DateTime(FromTimestamp(d, 0)));
                break;
            }
            case SQL_TYPE_TIME: {
                ISC_TIME t;
                std::memcpy(&t, p, sizeof t);
                row.push_back(Value::DateTime(FromTimestamp(kDiaBase, t)));
                break;
            }
            case SQL_BOOLEAN: row.push_back(Value::Boolean(*p != 0)); break;
            case SQL_BLOB: {
                ISC_QUAD id;
                std::memcpy(&id, p, sizeof id);
                std::string bytes = ReadBlob(c, tra, &id);
                row.push_back(it.subType == 1 ? Value::Text(FromDb(bytes)) : Value::Bytes(std::move(bytes)));
                break;
            }
            default: row.emplace_back(); break;
        }
    }
}

namespace {
std::int64_t Executar(ConnectionImpl& c, ITransaction* tra, PreparedStatement& ps,
                      const std::vector<const Value*>& values, std::vector<std::vector<Value>>& rows) {
    std::unique_ptr<MessageLayout> widened;
    BindInput(c, tra, ps, values, ps.inBuf, widened);
    IMessageMetadata* inMeta = widened ? widened->meta.get() : ps.in.meta.get();
    unsigned char* inBuf = ps.inBuf.empty() ? nullptr : ps.inBuf.data();
    Status st;
    if (ps.hasCursor) {
        ps.outBuf.assign(ps.out.length, 0);
        auto rs = Obter([&](auto* s) { return ps.stmt->openCursor(s, tra, inMeta, inBuf, ps.out.meta.get(), 0); });
        std::int64_t n = 0;
        while (rs->fetchNext(&st, ps.outBuf.data()) == IStatus::RESULT_OK) {
            rows.emplace_back();
            ReadRow(c, tra, ps, ps.outBuf.data(), rows.back());
            ++n;
        }
        Encerrar(rs, [](IResultSet* x, QuietStatus* s) { x->close(s); });
        return n;
    }
    bool temSaida = !ps.out.items.empty();
    if (temSaida) ps.outBuf.assign(ps.out.length, 0);
    ps.stmt->execute(&st, tra, inMeta, inBuf, temSaida ? ps.out.meta.get() : nullptr,
                     temSaida ? ps.outBuf.data() : nullptr);
    if (temSaida) {
        rows.emplace_back();
        ReadRow(c, tra, ps, ps.outBuf.data(), rows.back());
    }
    if (ps.singleRowInsert) return 1;
    return static_cast<std::int64_t>(ps.stmt->getAffectedRecords(&st));
}
}  // namespace

std::int64_t Execute(ConnectionImpl& c, ITransaction* tra, PreparedStatement& ps,
                     const std::vector<const Value*>& values, std::vector<std::vector<Value>>* rows) {
    std::vector<std::vector<Value>> descarte;
    try {
        return Executar(c, tra, ps, values, rows ? *rows : descarte);
    } catch (const Error& e) {
        c.CheckLost(e);
        throw;
    }
}

}  // namespace db::detail
