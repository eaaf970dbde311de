#include "IcuText.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <string_view>

namespace morvane {

namespace {

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Writes U+FFFD for each sequence that is not Shift-JIS, and notes that there was one.
void substituteAndNote(const void* context, UConverterToUnicodeArgs* args, const char*, int32_t,
                       UConverterCallbackReason reason, UErrorCode* error) {
    if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR) return;
    *static_cast<bool*>(const_cast<void*>(context)) = true;
    *error = U_ZERO_ERROR;
    static const UChar replacement = 0xFFFD;
    ucnv_cbToUWriteUChars(args, &replacement, 1, 0, error);
}

// Code page 932 through ICU. Single-threaded, like the program: the converter is shared.
class IcuCodec : public TextCodec {
public:
    IcuCodec() {
        UErrorCode error = U_ZERO_ERROR;
        converter_ = ucnv_open("windows-31j", &error);
        if (U_FAILURE(error)) throw std::runtime_error("no windows-31j converter");
        ucnv_setToUCallBack(converter_, substituteAndNote, &invalid_, nullptr, nullptr, &error);
        ucnv_setFromUCallBack(converter_, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                              &error);
        if (U_FAILURE(error)) {
            ucnv_close(converter_);
            throw std::runtime_error("windows-31j converter refuses its callbacks");
        }
    }
    ~IcuCodec() override { ucnv_close(converter_); }
    IcuCodec(const IcuCodec&) = delete;
    IcuCodec& operator=(const IcuCodec&) = delete;

    // Decodes into UTF-16 with U+FFFD for what is not Shift-JIS; false when there was such.
    bool toUtf16(std::string_view sjis, std::u16string& out) const {
        out.clear();
        // Code page 932 keeps ASCII as it is, "\" and "~" included.
        if (isAscii(sjis)) {
            out.assign(sjis.begin(), sjis.end());
            return true;
        }
        invalid_ = false;
        out.resize(sjis.size() + 1);
        UErrorCode error = U_ZERO_ERROR;
        int32_t length = ucnv_toUChars(converter_, out.data(), static_cast<int32_t>(out.size()),
                                       sjis.data(), static_cast<int32_t>(sjis.size()), &error);
        if (error == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(static_cast<std::size_t>(length) + 1);
            error = U_ZERO_ERROR;
            invalid_ = false;
            length = ucnv_toUChars(converter_, out.data(), static_cast<int32_t>(out.size()),
                                   sjis.data(), static_cast<int32_t>(sjis.size()), &error);
        }
        if (U_FAILURE(error)) {
            out.clear();
            return false;
        }
        out.resize(static_cast<std::size_t>(length));
        return !invalid_;
    }

    bool toUtf8(std::string_view sjis, std::string& utf8) const override {
        if (isAscii(sjis)) {
            utf8.assign(sjis);
            return true;
        }
        const bool valid = toUtf16(sjis, wide_);
        utf8.resize(wide_.size() * 3 + 1);
        UErrorCode error = U_ZERO_ERROR;
        int32_t length = 0;
        u_strToUTF8(utf8.data(), static_cast<int32_t>(utf8.size()), &length, wide_.data(),
                    static_cast<int32_t>(wide_.size()), &error);
        if (U_FAILURE(error)) {
            utf8.clear();
            return false;
        }
        utf8.resize(static_cast<std::size_t>(length));
        return valid;
    }

    bool fromUtf8(std::string_view utf8, std::string& sjis) const override {
        if (isAscii(utf8)) {
            sjis.assign(utf8);
            return true;
        }
        UErrorCode error = U_ZERO_ERROR;
        int32_t length = 0;
        wide_.resize(utf8.size() + 1);
        u_strFromUTF8(wide_.data(), static_cast<int32_t>(wide_.size()), &length, utf8.data(),
                      static_cast<int32_t>(utf8.size()), &error);
        if (U_FAILURE(error)) return false;
        const int32_t wideLength = length;
        sjis.resize(static_cast<std::size_t>(length) * 2 + 1);
        length = ucnv_fromUChars(converter_, sjis.data(), static_cast<int32_t>(sjis.size()),
                                 wide_.data(), wideLength, &error);
        if (U_FAILURE(error)) {
            sjis.clear();
            return false;
        }
        sjis.resize(static_cast<std::size_t>(length));
        // The converter drops default-ignorable characters (soft hyphen, zero-width space,
        // variation selectors...) without a word: only a text that decodes back to the very same
        // characters has a Shift-JIS form.
        const std::u16string_view original(wide_.data(), static_cast<std::size_t>(wideLength));
        if (!toUtf16(sjis, back_) || std::u16string_view(back_) != original) {
            sjis.clear();
            return false;
        }
        return true;
    }

private:
    UConverter* converter_ = nullptr;
    mutable bool invalid_ = false;
    mutable std::u16string wide_;
    mutable std::u16string back_;
};

// The Japanese collation: ICU's built-in "ja" tailoring (kana in gojūon order, kanji in the
// order of JIS X 0208), opened from the precompiled data, so no rules are compiled at run time.
// "ja" separates hiragana from katakana only at the quaternary level and full from half width
// only at the identical level, so the identical strength is needed to tell them apart. ASCII
// case is folded on the decoded text before ICU sees it (a trail byte of a double-byte
// character may be an ASCII letter, so the raw bytes are never folded), and texts that still
// collate equal are ordered by their bytes.
class IcuCollator : public Collator {
public:
    explicit IcuCollator(const IcuCodec& codec) : codec_(codec) {
        UErrorCode error = U_ZERO_ERROR;
        collator_ = ucol_open("ja", &error);
        if (U_FAILURE(error)) throw std::runtime_error("no ja collation");
        ucol_setAttribute(collator_, UCOL_STRENGTH, UCOL_IDENTICAL, &error);
        // Spaces and symbols count like letters; the space comes first of all.
        ucol_setAttribute(collator_, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &error);
        ucol_setAttribute(collator_, UCOL_NUMERIC_COLLATION, UCOL_OFF, &error);
        if (U_FAILURE(error)) {
            ucol_close(collator_);
            throw std::runtime_error("ja collation refuses its attributes");
        }
    }
    ~IcuCollator() override { ucol_close(collator_); }
    IcuCollator(const IcuCollator&) = delete;
    IcuCollator& operator=(const IcuCollator&) = delete;

    int compare(std::string_view a, std::string_view b) const override {
        prepare(a, left_);
        prepare(b, right_);
        return comparePrepared(left_, a, right_, b);
    }

    std::string sortKey(std::string_view sjis) const override {
        prepare(sjis, left_);
        std::string key(left_.size() * 4 + 16, '\0');
        for (;;) {
            const int32_t length = ucol_getSortKey(
                collator_, left_.data(), static_cast<int32_t>(left_.size()),
                reinterpret_cast<uint8_t*>(key.data()), static_cast<int32_t>(key.size()));
            if (static_cast<std::size_t>(length) <= key.size()) {
                // ICU's key ends with a 0 byte that occurs nowhere else in it, so the bytes
                // appended after it only decide between texts of equal collation.
                key.resize(static_cast<std::size_t>(length));
                break;
            }
            key.resize(static_cast<std::size_t>(length));
        }
        key += sjis;
        return key;
    }

    std::vector<std::size_t> ascendingOrder(const std::vector<std::string>& texts) const override {
        std::vector<std::u16string> prepared(texts.size());
        for (std::size_t i = 0; i < texts.size(); ++i) prepare(texts[i], prepared[i]);
        std::vector<std::size_t> order(texts.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return comparePrepared(prepared[a], texts[a], prepared[b], texts[b]) < 0;
        });
        return order;
    }

private:
    void prepare(std::string_view sjis, std::u16string& out) const {
        codec_.toUtf16(sjis, out);
        for (char16_t& c : out)
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }

    int comparePrepared(const std::u16string& a, std::string_view rawA, const std::u16string& b,
                        std::string_view rawB) const {
        const UCollationResult result =
            ucol_strcoll(collator_, a.data(), static_cast<int32_t>(a.size()), b.data(),
                         static_cast<int32_t>(b.size()));
        if (result != UCOL_EQUAL) return result == UCOL_LESS ? -1 : 1;
        const int bytes = rawA.compare(rawB);
        return bytes < 0 ? -1 : bytes > 0 ? 1 : 0;
    }

    const IcuCodec& codec_;
    UCollator* collator_ = nullptr;
    mutable std::u16string left_;
    mutable std::u16string right_;
};

}  // namespace

IcuText makeIcuText() {
    auto codec = std::make_unique<IcuCodec>();
    auto collator = std::make_unique<IcuCollator>(*codec);
    return {std::move(codec), std::move(collator)};
}

}  // namespace morvane
