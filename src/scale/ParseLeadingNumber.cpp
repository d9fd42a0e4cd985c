#include "scale/ParseLeadingNumber.h"

#include "core/DecimalNumber.h"

namespace {

// Walks the text, passing over the characters that never interrupt a number.
class Cursor {
public:
    explicit Cursor(QStringView text) : text_(text) { skip(); }

    bool atEnd() const { return i_ >= text_.size(); }
    char16_t peek() const { return atEnd() ? u'\0' : text_[i_].unicode(); }
    void next()
    {
        ++i_;
        skip();
    }
    bool digit() const { return peek() >= u'0' && peek() <= u'9'; }
    int digitValue() const { return peek() - u'0'; }

private:
    void skip()
    {
        while (i_ < text_.size() && (text_[i_] == u' ' || text_[i_] == u'\t' || text_[i_] == u'\n'))
            ++i_;
    }

    QStringView text_;
    qsizetype i_ = 0;
};

// The sign and the digits around the period; the cursor stops after them.
DecimalNumber ReadMantissa(Cursor& c)
{
    DecimalNumber number;
    if (c.peek() == u'+' || c.peek() == u'-') {
        number.negative = c.peek() == u'-';
        c.next();
    }
    for (; c.digit(); c.next())
        number.integerDigits += static_cast<char>(c.peek());
    if (c.peek() == u'.') {
        c.next();
        for (; c.digit(); c.next())
            number.fractionDigits += static_cast<char>(c.peek());
    }
    return number;
}

}  // namespace

bool StartsWithNumber(QStringView text)
{
    Cursor c(text);
    return ReadMantissa(c).hasDigits();
}

std::optional<double> ParseLeadingNumber(QStringView text)
{
    Cursor c(text);
    DecimalNumber number = ReadMantissa(c);
    if (!number.hasDigits())
        return 0.0;
    if (c.peek() == u'e' || c.peek() == u'E') {
        c.next();
        bool negativeExponent = false;
        if (c.peek() == u'+' || c.peek() == u'-') {
            negativeExponent = c.peek() == u'-';
            c.next();
        }
        // An exponent without digits adds nothing: "12E" reads as 12.
        for (; c.digit(); c.next())
            number.addExponentDigit(c.digitValue());
        if (negativeExponent)
            number.exponent = -number.exponent;
    }
    return DecimalNumberValue(number);
}
