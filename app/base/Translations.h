#pragma once
// Glimpo's texts in the user's language: its own catalogue (glimpo_LANG.qm) and Qt's (the file
// dialog, the standard buttons). The language is the one the environment names (LANGUAGE,
// LC_ALL, LC_MESSAGES, LANG), read by Qt itself, so a language whose C library locale is not
// installed still gets its catalogue. Loaded before the application object exists, so that the
// command line answers in the same language; installed into the application once it does.

#include <memory>

#include <QLocale>
#include <QString>

class QTranslator;

class Translations {
public:
    // English, the texts as written.
    Translations();
    // The catalogues of `locale`; Glimpo's from `folder`. A language without a catalogue stays
    // English.
    explicit Translations(const QLocale& locale, const QString& folder = programFolder());
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    // Makes QCoreApplication::translate and tr() answer from these catalogues; the object must
    // outlive the application.
    void install() const;
    // A text in the user's language without an application object. `n` picks the plural form.
    QString text(const char* context, const char* source, int n = -1) const;
    // Whether Glimpo's catalogue for the language was found.
    bool loaded() const;

    // Where the program's catalogues are: `translations` beside it (the build folder), or
    // `../share/glimpo/translations` from it (an installed program).
    static QString programFolder();

private:
    std::unique_ptr<QTranslator> glimpo_;
    std::unique_ptr<QTranslator> qt_;
};
