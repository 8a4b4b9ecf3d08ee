// The language of the window's texts: the designed Japanese or English.
#pragma once

#include <QStringList>
#include <functional>
#include <optional>
#include <string>

class QCoreApplication;

namespace app {

enum class Language { Japanese, English };

/// The language for a locale name as POSIX gives it (LC_ALL, else LC_MESSAGES, else LANG):
/// Japanese for "ja…", "C", "POSIX" and no locale at all (the designed texts), else English.
Language languageOfLocale(const std::string& locale);

/// The locale name that decides the messages' language in this process's environment.
std::string messagesLocale();

/// The language a --lang value asks for ("ja" or "en"); nullopt for any other text.
std::optional<Language> languageOption(const std::string& value);

/// --lang's value among arguments ("--lang X" or "--lang=X"), when given.
std::optional<std::string> langArgument(const QStringList& arguments);

/// Installs Korvane's and Qt's own translations for language on application; the Japanese
/// texts need none of Korvane's. Missing translation files leave the texts as they are.
void installTranslations(QCoreApplication& application, Language language);

/// A message made from one of the known message patterns ("%s" for each argument) in the
/// language that translate gives each pattern (and each argument, which may be a message
/// itself); text unchanged when it matches no pattern. An added final "." is kept.
std::string translateMessage(const std::string& text,
                             const std::function<std::string(const char*)>& translate);

/// translateMessage through the installed translations.
std::string translateMessage(const std::string& text);

}  // namespace app
