#include "script/script_format.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// Widths and precisions beyond this are taken as this.
constexpr int kMaxField = 10000;

struct Field {
    bool Left = false;
    bool Zero = false;
    bool Plus = false;
    bool Space = false;
    bool Alternate = false;
    int Width = 0;
    int Precision = -1; // none
    int Bits = 32;
};

class Values {
public:
    explicit Values(const std::vector<ScriptFormatValue>& values) : values_(values) {}
    const ScriptFormatValue* Next() { return next_ < values_.size() ? &values_[next_++] : nullptr; }
    int64_t NextNumber() { return NumberOf(Next()); }
    static int64_t NumberOf(const ScriptFormatValue* v) {
        if (!v) return 0;
        return v->IsText ? static_cast<int64_t>(std::atol(v->Text.c_str())) : v->Number;
    }

private:
    const std::vector<ScriptFormatValue>& values_;
    size_t next_ = 0;
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int ReadCount(const std::string& f, size_t& i) {
    int value = 0;
    while (i < f.size() && IsDigit(f[i])) {
        value = std::min(kMaxField, value * 10 + (f[i] - '0'));
        ++i;
    }
    return value;
}

// The size word after the flags, width and precision: how many bits the number has.
int ReadSize(const std::string& f, size_t& i) {
    auto at = [&](const char* word) {
        const size_t n = std::strlen(word);
        if (f.compare(i, n, word) != 0) return false;
        i += n;
        return true;
    };
    if (at("I64")) return 64;
    if (at("I32")) return 32;
    if (at("ll") || at("I") || at("j") || at("z") || at("t")) return 64;
    if (at("l") || at("L") || at("w")) return 32;
    if (at("hh")) return 8;
    if (at("h")) return 16;
    return 32;
}

uint64_t Truncate(uint64_t value, int bits) {
    return bits >= 64 ? value : value & ((uint64_t{1} << bits) - 1);
}

int64_t SignExtend(uint64_t value, int bits) {
    if (bits >= 64) return static_cast<int64_t>(value);
    const uint64_t sign = uint64_t{1} << (bits - 1);
    value = Truncate(value, bits);
    return static_cast<int64_t>((value ^ sign) - sign);
}

std::string Digits(uint64_t value, unsigned base, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string out;
    do {
        out.push_back(digits[value % base]);
        value /= base;
    } while (value);
    std::reverse(out.begin(), out.end());
    return out;
}

void Pad(std::string& out, const Field& field, const std::string& prefix, std::string body,
         bool zeroAllowed) {
    const size_t length = prefix.size() + body.size();
    const size_t fill =
        field.Width > 0 && static_cast<size_t>(field.Width) > length ? field.Width - length : 0;
    if (field.Left) {
        out += prefix + body + std::string(fill, ' ');
    } else if (field.Zero && zeroAllowed) {
        out += prefix + std::string(fill, '0') + body;
    } else {
        out += std::string(fill, ' ') + prefix + body;
    }
}

void Integer(std::string& out, const Field& field, char conversion, int64_t raw) {
    const bool isSigned = conversion == 'd' || conversion == 'i';
    std::string prefix;
    uint64_t magnitude = 0;
    if (isSigned) {
        const int64_t value = SignExtend(static_cast<uint64_t>(raw), field.Bits);
        magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
        if (value < 0)
            prefix = "-";
        else if (field.Plus)
            prefix = "+";
        else if (field.Space)
            prefix = " ";
    } else {
        magnitude = Truncate(static_cast<uint64_t>(raw), field.Bits);
    }
    const unsigned base = conversion == 'x' || conversion == 'X' ? 16 : conversion == 'o' ? 8 : 10;
    std::string body =
        field.Precision == 0 && magnitude == 0 ? std::string() : Digits(magnitude, base, conversion == 'X');
    if (field.Precision > 0 && body.size() < static_cast<size_t>(field.Precision))
        body.insert(0, field.Precision - body.size(), '0');
    if (field.Alternate && base == 16 && magnitude != 0) prefix = conversion == 'X' ? "0X" : "0x";
    if (field.Alternate && base == 8 && (body.empty() || body[0] != '0')) body.insert(0, 1, '0');
    Pad(out, field, prefix, std::move(body), field.Precision < 0);
}

} // namespace

bool FormatScriptText(const std::string& f, const std::vector<ScriptFormatValue>& list, std::string& out) {
    Values values(list);
    out.clear();
    for (size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%') {
            out.push_back(f[i]);
            continue;
        }
        const size_t start = i++;
        Field field;
        for (; i < f.size() && std::strchr("-0+ #", f[i]); ++i) {
            field.Left |= f[i] == '-';
            field.Zero |= f[i] == '0';
            field.Plus |= f[i] == '+';
            field.Space |= f[i] == ' ';
            field.Alternate |= f[i] == '#';
        }
        if (i < f.size() && f[i] == '*') {
            const int64_t width = values.NextNumber();
            field.Left |= width < 0;
            field.Width = static_cast<int>(std::min<uint64_t>(
                width < 0 ? 0 - static_cast<uint64_t>(width) : static_cast<uint64_t>(width), kMaxField));
            ++i;
        } else {
            field.Width = ReadCount(f, i);
        }
        if (i < f.size() && f[i] == '.') {
            ++i;
            if (i < f.size() && f[i] == '*') {
                const int64_t precision = values.NextNumber();
                field.Precision =
                    precision < 0 ? -1 : static_cast<int>(std::min<int64_t>(precision, kMaxField));
                ++i;
            } else {
                field.Precision = ReadCount(f, i);
            }
        }
        field.Bits = ReadSize(f, i);
        if (i >= f.size()) {
            out.append(f, start, std::string::npos);
            break;
        }
        const char conversion = f[i];
        switch (conversion) {
            case '%': out.push_back('%'); break;
            case 'n': return false;
            case 'd':
            case 'i':
            case 'u':
            case 'x':
            case 'X':
            case 'o': Integer(out, field, conversion, values.NextNumber()); break;
            case 'c': {
                const ScriptFormatValue* v = values.Next();
                char c = 0;
                if (v) c = v->IsText ? (v->Text.empty() ? '\0' : v->Text[0]) : static_cast<char>(v->Number);
                Pad(out, field, "", c ? std::string(1, c) : std::string(), false);
                break;
            }
            case 's': {
                const ScriptFormatValue* v = values.Next();
                std::string text = !v ? std::string() : v->IsText ? v->Text : std::to_string(v->Number);
                if (field.Precision >= 0 && text.size() > static_cast<size_t>(field.Precision))
                    text.resize(field.Precision);
                Pad(out, field, "", std::move(text), false);
                break;
            }
            default:
                // A conversion this formatter does not make stands as written and uses up its value.
                values.Next();
                out.append(f, start, i + 1 - start);
                break;
        }
    }
    return true;
}
