#include "app/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdlib>

namespace app {
namespace {

constexpr const char* kMessages = "Messages";

// What the rules raise for the user; translated whole, the quoted parts kept.
struct Pattern {
  const char* text;
  bool reason;  ///< the last argument is a message itself (the system's or ours)
};
constexpr Pattern kPatterns[] = {
    {QT_TRANSLATE_NOOP("Messages", "%s に書き込めません"), false},
    {QT_TRANSLATE_NOOP("Messages", "'%s' は整数ではありません"), false},
    {QT_TRANSLATE_NOOP("Messages", "ファイル %s は開けません。 %s "), true},
    {QT_TRANSLATE_NOOP("Messages", "通常のファイルではありません"), false},
    {QT_TRANSLATE_NOOP("Messages", "ファイルが大きすぎます"), false},
    {QT_TRANSLATE_NOOP("Messages", "行が多すぎます。 %s 行以下にしてください。"), false},
    {QT_TRANSLATE_NOOP("Messages", "リストのインデックスが範囲を超えています (%s)"), false},
    {QT_TRANSLATE_NOOP("Messages", "'%s' は大きすぎます。 %s 以下にしてください。"), false},
};

/// The arguments of text when it is pattern filled in (each argument as short as it can be,
/// the last one taking the rest); nullopt when it is not. Linear: texts from files can be long.
std::optional<std::vector<std::string>> match(const std::string& text, const std::string& pattern) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (std::size_t at; (at = pattern.find("%s", from)) != std::string::npos; from = at + 2)
    parts.push_back(pattern.substr(from, at - from));
  const std::string last = pattern.substr(from);
  if (text.size() < last.size() || text.compare(text.size() - last.size(), last.size(), last) != 0)
    return std::nullopt;
  const std::size_t end = text.size() - last.size();
  if (parts.empty()) return end == 0 ? std::optional(std::vector<std::string>{}) : std::nullopt;
  if (text.compare(0, parts[0].size(), parts[0]) != 0 || parts[0].size() > end) return std::nullopt;
  std::vector<std::string> args;
  std::size_t at = parts[0].size();
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::size_t found = text.find(parts[i], at);
    if (found == std::string::npos || found + parts[i].size() > end) return std::nullopt;
    args.push_back(text.substr(at, found - at));
    at = found + parts[i].size();
  }
  args.push_back(text.substr(at, end - at));
  return args;
}

std::string fill(const std::string& pattern, const std::vector<std::string>& args) {
  std::string out;
  std::size_t from = 0, next = 0;
  for (std::size_t at; (at = pattern.find("%s", from)) != std::string::npos; from = at + 2)
    out += pattern.substr(from, at - from) + (next < args.size() ? args[next++] : "");
  return out + pattern.substr(from);
}

bool loadInto(QCoreApplication& application, const QString& name, const QString& folder) {
  auto* translator = new QTranslator(&application);
  if (translator->load(name, folder) && QCoreApplication::installTranslator(translator))
    return true;
  delete translator;
  return false;
}

}  // namespace

Language languageOfLocale(const std::string& locale) {
  if (locale.empty() || locale == "C" || locale == "POSIX" || locale.rfind("C.", 0) == 0)
    return Language::Japanese;
  return locale.rfind("ja", 0) == 0 ? Language::Japanese : Language::English;
}

std::string messagesLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if (const char* value = std::getenv(name); value && *value) return value;
  return "";
}

std::optional<Language> languageOption(const std::string& value) {
  if (value == "ja") return Language::Japanese;
  if (value == "en") return Language::English;
  return std::nullopt;
}

std::optional<std::string> langArgument(const QStringList& arguments) {
  std::optional<std::string> value;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == "--") break;
    if (a == "--lang" && i + 1 < arguments.size()) value = arguments[++i].toStdString();
    if (a.startsWith("--lang=")) value = a.mid(7).toStdString();
  }
  return value;
}

void installTranslations(QCoreApplication& application, Language language) {
  const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (language == Language::Japanese) {
    loadInto(application, "qtbase_ja", qtFolder);
    return;
  }
  loadInto(application, "korvane_en", ":/i18n");
  loadInto(application, "qtbase_en", qtFolder);
}

std::string translateMessage(const std::string& text,
                             const std::function<std::string(const char*)>& translate) {
  const bool stop = !text.empty() && text.back() == '.';
  for (const std::string& candidate : {text, stop ? text.substr(0, text.size() - 1) : text}) {
    for (const Pattern& pattern : kPatterns) {
      auto args = match(candidate, pattern.text);
      if (!args) continue;
      if (pattern.reason && !args->empty())
        args->back() = translateMessage(args->back(), translate);
      return fill(translate(pattern.text), *args) + (candidate.size() < text.size() ? "." : "");
    }
  }
  return text;
}

std::string translateMessage(const std::string& text) {
  return translateMessage(text, [](const char* pattern) {
    return QCoreApplication::translate(kMessages, pattern).toStdString();
  });
}

}  // namespace app
