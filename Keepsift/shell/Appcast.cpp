#include "Keepsift/shell/Appcast.hpp"

#include <QByteArray>
#include <QXmlStreamReader>

namespace keepsift::app {
namespace {

const QString sparkleNamespace =
    QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

bool isSparkle(const QStringView namespaceUri, const QStringView name, const char* wanted) {
    return namespaceUri == sparkleNamespace && name == QLatin1String(wanted);
}

// Reads one <item> up to its end tag.
AppcastItem readItem(QXmlStreamReader& xml) {
    AppcastItem item;
    while (xml.readNextStartElement()) {
        const auto uri = xml.namespaceUri();
        const auto name = xml.name();
        if (isSparkle(uri, name, "version")) {
            item.version = xml.readElementText().trimmed().toStdString();
        } else if (isSparkle(uri, name, "shortVersionString")) {
            item.displayVersion = xml.readElementText().trimmed().toStdString();
        } else if (uri.isEmpty() && name == QLatin1String("link")) {
            item.link = xml.readElementText().trimmed().toStdString();
        } else if (uri.isEmpty() && name == QLatin1String("enclosure")) {
            const auto attributes = xml.attributes();
            if (item.version.empty())
                item.version = attributes.value(sparkleNamespace, QStringLiteral("version"))
                                   .toString()
                                   .toStdString();
            if (item.displayVersion.empty())
                item.displayVersion =
                    attributes.value(sparkleNamespace, QStringLiteral("shortVersionString"))
                        .toString()
                        .toStdString();
            xml.skipCurrentElement();
        } else {
            xml.skipCurrentElement();
        }
    }
    if (item.displayVersion.empty()) item.displayVersion = item.version;
    return item;
}

void readElements(QXmlStreamReader& xml, std::vector<AppcastItem>& items) {
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("item")) {
            AppcastItem item = readItem(xml);
            if (!item.version.empty()) items.push_back(std::move(item));
        } else {
            readElements(xml, items);
        }
    }
}

// Leading digits of a part as a number text without leading zeros, then the rest.
std::pair<std::string_view, std::string_view> splitPart(std::string_view part) {
    size_t digits = 0;
    while (digits < part.size() && part[digits] >= '0' && part[digits] <= '9')
        ++digits;
    std::string_view number = part.substr(0, digits);
    while (number.size() > 1 && number.front() == '0')
        number.remove_prefix(1);
    return {number.empty() ? std::string_view("0") : number, part.substr(digits)};
}

int comparePart(std::string_view a, std::string_view b) {
    auto [numberA, restA] = splitPart(a);
    auto [numberB, restB] = splitPart(b);
    if (numberA.size() != numberB.size()) return numberA.size() < numberB.size() ? -1 : 1;
    if (int order = numberA.compare(numberB); order != 0) return order < 0 ? -1 : 1;
    if (int order = restA.compare(restB); order != 0) return order < 0 ? -1 : 1;
    return 0;
}

std::string_view nextPart(std::string_view& text) {
    const size_t dot = text.find('.');
    std::string_view part = text.substr(0, dot);
    text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    return part;
}

} // namespace

std::vector<AppcastItem> parseAppcast(std::string_view feed) {
    QXmlStreamReader xml(QByteArray(feed.data(), static_cast<qsizetype>(feed.size())));
    std::vector<AppcastItem> items;
    readElements(xml, items);
    return items;
}

std::optional<AppcastItem> newestAfter(const std::vector<AppcastItem>& items,
                                       std::string_view current) {
    std::optional<AppcastItem> newest;
    for (const auto& item : items)
        if (compareVersions(item.version, newest ? newest->version : current) > 0) newest = item;
    return newest;
}

int compareVersions(std::string_view a, std::string_view b) {
    while (!a.empty() || !b.empty())
        if (int order = comparePart(nextPart(a), nextPart(b)); order != 0) return order;
    return 0;
}

} // namespace keepsift::app
