#pragma once

#include <QByteArray>
#include <QByteArrayView>

/// An encoding a page can declare, as browsers read it: the Encoding Standard's encodings with
/// all their labels, and for each the converters that write and read it here as browsers do.
/// Browsers read many labels otherwise than their names say: gb2312 is read as GBK, whose
/// decoder is gb18030's; euc-kr as windows-949; Shift_JIS as windows-31j; Big5 as Big5-HKSCS;
/// iso-8859-1 and us-ascii as windows-1252. What a page declares is looked up here, never
/// handed to a converter by its label.
struct WebEncoding
{
    enum class Form {
        Utf8,
        SingleByte,  ///< one byte a character
        MultiByte,   ///< one to four bytes a character, without shift states
        ShiftStates, ///< the same bytes stand for other characters after an escape sequence
        Replacement, ///< browsers show one replacement character for the whole page
    };

    const char *name; ///< the standard's name ("GBK"), as messages show it
    Form form;
    /// ICU's converter, by a name Qt's QStringEncoder takes, whose bytes browsers read as the
    /// characters it wrote and whose byte sequences are those browsers read (nullptr: none).
    const char *converter;
    /// The Windows code page (MultiByteToWideChar) that does the same; 0 where there is none.
    unsigned codePage;
    /// Characters the converter writes as bytes that browsers read as other characters.
    const char16_t *misread;

    /// The encoding browsers read a page in whose <meta> declares label (any case, surrounded
    /// by any ASCII white space); nullptr for a label they do not know, which they pass over.
    /// The HTML standard's rules for a declaration are part of the table: a UTF-16 label means
    /// UTF-8 (a page really in UTF-16 has a byte order mark), x-user-defined windows-1252.
    static const WebEncoding *forLabel(QByteArrayView label);

    /// label as the table writes it: in lower case, without the white space around it.
    static QByteArray normalLabel(QByteArrayView label);
};
