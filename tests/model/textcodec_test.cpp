#include "model/textcodec.h"

#include <gtest/gtest.h>

namespace {

QString str(const char16_t *s)
{
    return QStringView(s).toString();
}

struct EncodedCase
{
    const char16_t *text;
    const char *bytes;
};

// Text and its exact bytes; decoding the bytes must give the text back.
const EncodedCase encodedCases[] = {
    {u"plain ascii", "plain ascii"},
    {u"Caf\u00e9", "Caf\xe9"},
    {u"\u20ac 5", "\x80 5"},
    {u"\u0160koda \u0178", "\x8akoda \x9f"},
    // The bytes the code page leaves undefined still travel as themselves.
    {u"\u0081\u008d\u008f\u0090\u009d", "\x81\x8d\x8f\x90\x9d"},
    // A C1 control the code page does not hold needs a reference.
    {u"\u0080", "&#128;"},
    {u"\u0414\u043c\u0438\u0442\u0440\u0438\u0439",
     "&#1044;&#1084;&#1080;&#1090;&#1088;&#1080;&#1081;"},
    {u"x\U0001F600y", "x&#128512;y"},
    // Text that looks like a reference is protected, everything else stays as is.
    {u"a&#66;b", "a&#38;#66;b"},
    {u"&#38;", "&#38;#38;"},
    {u"Tom & Jerry", "Tom & Jerry"},
    {u"&", "&"},
    {u"&#", "&#"},
    {u"&#;", "&#;"},
    {u"&#12", "&#12"},
    {u"&#x41;", "&#x41;"},
    {u"&&#1;", "&&#38;#1;"},
    {u"&\u0414", "&&#1044;"},
    {u"&#1\u0414;", "&#1&#1044;;"},
};

TEST(Cp1252Codec, EncodesAndDecodesBack)
{
    for (const auto &c : encodedCases) {
        const QString text = str(c.text);
        const QByteArray bytes(c.bytes);
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(cp1252::encode(text), bytes);
        EXPECT_EQ(cp1252::decode(bytes), text);
    }
}

TEST(Cp1252Codec, EncodeAppendKeepsWhatIsThere)
{
    QByteArray out("ab");
    cp1252::encodeAppend(u"\u00e9\u20ac", out);
    cp1252::encodeAppend(u"cd", out);
    EXPECT_EQ(out, QByteArray("ab\xe9\x80"
                              "cd"));
}

TEST(Cp1252Codec, EveryByteSurvivesARoundTrip)
{
    for (int b = 0; b < 256; ++b) {
        if (b == '&')
            continue;
        const QByteArray bytes(1, char(b));
        const QString text = cp1252::decode(bytes);
        ASSERT_EQ(text.size(), 1) << b;
        EXPECT_EQ(cp1252::encode(text), bytes) << b;
        EXPECT_EQ(cp1252::decodePlain(bytes), text) << b;
    }
}

struct DecodeCase
{
    const char *bytes;
    const char16_t *text;
};

// References in the bytes: only well-formed ones naming a real character count.
const DecodeCase decodeCases[] = {
    {"&#65;", u"A"},
    {"&#0000065;", u"A"},
    {"&#128512;", u"\U0001F600"},
    {"&#1114111;", u"\U0010FFFF"},
    {"&&#65;", u"&A"},
    {"&#65;&#66;", u"AB"},
    {"&#;", u"&#;"},
    {"&#x41;", u"&#x41;"},
    {"&#00000065;", u"&#00000065;"},
    {"&#99999999;", u"&#99999999;"},
    {"&#1114112;", u"&#1114112;"},
    {"&#55296;", u"&#55296;"},
    {"&#57343;", u"&#57343;"},
    {"&#0;", u"&#0;"},
    {"&#65", u"&#65"},
    {"&#65 ;", u"&#65 ;"},
    {"& #65;", u"& #65;"},
    {"&", u"&"},
};

TEST(Cp1252Codec, DecodesOnlyValidReferences)
{
    for (const auto &c : decodeCases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(cp1252::decode(QByteArray(c.bytes)), str(c.text));
    }
}

TEST(Cp1252Codec, DecodeIntoFitsInTheByteCount)
{
    // The shortest reference above U+FFFF is 10 bytes for 2 units; fill a buffer of
    // exactly the byte count and check nothing beyond is touched.
    const QByteArray bytes("&#65536;x&#1;");
    std::vector<char16_t> out(bytes.size() + 1, u'#');
    const qsizetype n = cp1252::decodeInto(bytes, out.data());
    EXPECT_EQ(QStringView(out.data(), n), QStringView(u"\U00010000x\u0001"));
    EXPECT_EQ(out.back(), u'#');
}

TEST(Cp1252Codec, PlainDecodingIgnoresReferences)
{
    EXPECT_EQ(cp1252::decodePlain("&#65;\x80"), str(u"&#65;\u20ac"));
}

TEST(Cp1252Codec, LoneSurrogateDoesNotSwallowTheNextCharacter)
{
    const QString text = str(u"\xD800x");
    EXPECT_EQ(cp1252::decode(cp1252::encode(text)), str(u"\uFFFDx"));
}

} // namespace
