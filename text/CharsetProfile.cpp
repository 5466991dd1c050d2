#include "CharsetProfile.h"

#include <QStringEncoder>

#include <map>
#include <memory>
#include <mutex>

namespace {

// A converter that met an unmappable character keeps its error flag: one is made afresh then.
class CharacterEncoder
{
public:
    explicit CharacterEncoder(const QByteArray &label) : m_label(label) { reset(); }

    bool isValid() const { return m_encoder.isValid(); }
    const char *name() const { return m_encoder.name(); }

    /// The bytes of c alone, or nothing when the charset has no such character.
    std::optional<QByteArray> encode(QStringView c)
    {
        QByteArray bytes = m_encoder.encode(c);
        if (!m_encoder.hasError())
            return bytes;
        reset();
        return std::nullopt;
    }

private:
    void reset()
    {
        m_encoder = QStringEncoder(m_label.constData(), QStringConverter::Flag::Stateless);
    }

    QByteArray m_label;
    QStringEncoder m_encoder;
};

// Printable ASCII, tab and the line breaks; some charsets swap control characters (ICU's
// Shift_JIS writes DEL as 0x1C), which neither a page's lines nor a typed text depend on.
bool writesAsciiAsItself(CharacterEncoder &encoder)
{
    for (char16_t c = 0; c < 0x7F; ++c) {
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            continue;
        const QChar ascii(c);
        if (encoder.encode(QStringView(&ascii, 1)) != QByteArray(1, char(c)))
            return false;
    }
    return true;
}

// Charsets that write every character as one byte, by their encoder's name: no shift states,
// no byte inside a character. Learning that character by character takes an encoder call per
// character of the plane (and a new converter after every character the charset lacks), which
// made the first page in windows-1252 cost a run about 50 ms while the read-ahead waited.
bool isSingleByte(const QString &name)
{
    static const char *const prefixes[] = {"windows-125", "ISO-8859-", "KOI8-", "macintosh",
                                           "IBM866"};
    for (const char *prefix : prefixes) {
        if (name.startsWith(QLatin1String(prefix), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

CharsetProfile build(const QByteArray &label)
{
    CharsetProfile profile;
    profile.name = QString::fromLatin1(label);
    CharacterEncoder encoder(label);
    if (!encoder.isValid())
        return profile;
    profile.known = true;
    profile.name = QString::fromLatin1(encoder.name());
    if (!writesAsciiAsItself(encoder))
        return profile;
    if (isSingleByte(profile.name)) {
        profile.substitutable = true;
        return profile;
    }
    // Every character of the Basic Multilingual Plane on its own, then all of them at once,
    // each followed by an 'a': a charset with shift states writes a character otherwise in
    // company. Charsets that reach
    // beyond the plane (GB18030, Big5-HKSCS) use the same byte ranges there.
    QString all;
    QByteArray joined;
    for (char32_t code = 0x80; code < 0x10000; ++code) {
        if (code >= 0xD800 && code < 0xE000)
            continue;
        const QChar c{char16_t(code)};
        const std::optional<QByteArray> bytes = encoder.encode(QStringView(&c, 1));
        if (!bytes)
            continue;
        all += c;
        all += u'a';
        joined += *bytes + 'a';
        for (qsizetype i = 1; i < bytes->size(); ++i)
            profile.innerBytes.set(uchar(bytes->at(i)));
    }
    // Only the bytes count: ICU's converters may flag an error on a long text whose every
    // character they wrote without one.
    QStringEncoder whole(label.constData(), QStringConverter::Flag::Stateless);
    profile.substitutable = whole.encode(all) == joined && !profile.innerBytes.test('\r') &&
                            !profile.innerBytes.test('\n');
    return profile;
}

} // namespace

const CharsetProfile &CharsetProfile::of(const QByteArray &label)
{
    // Never erased, so a reference handed out stays valid; guarded for the read-ahead threads.
    static std::mutex mutex;
    static std::map<QByteArray, std::unique_ptr<const CharsetProfile>> profiles;
    const std::lock_guard lock(mutex);
    std::unique_ptr<const CharsetProfile> &slot = profiles[label];
    if (!slot)
        slot = std::make_unique<const CharsetProfile>(build(label));
    return *slot;
}
