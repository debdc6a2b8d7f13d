#include "skin/xml_events.h"

#include <expat.h>

#include <memory>

namespace velor {

namespace {

struct Reading {
    XML_Parser parser;
    XmlEvents& events;
};

// expat may still deliver what one token holds after a stop (the end of an
// empty element whose start failed): nothing reaches events once they failed.
bool failed(const Reading& r) {
    return !r.events.failure().isEmpty();
}

void stopIfFailed(Reading& r) {
    if (failed(r)) XML_StopParser(r.parser, XML_FALSE);
}

void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto& r = *static_cast<Reading*>(data);
    if (failed(r)) return;
    r.events.start(name, attributes);
    stopIfFailed(r);
}

void XMLCALL onEnd(void* data, const XML_Char* name) {
    auto& r = *static_cast<Reading*>(data);
    if (failed(r)) return;
    r.events.end(name);
    stopIfFailed(r);
}

void XMLCALL onText(void* data, const XML_Char* s, int length) {
    auto& r = *static_cast<Reading*>(data);
    if (failed(r)) return;
    r.events.text({s, static_cast<std::size_t>(length)});
    stopIfFailed(r);
}

}  // namespace

QString readXml(const QByteArray& xml, XmlEvents& events) {
    const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(
        XML_ParserCreate("UTF-8"), &XML_ParserFree);
    if (!parser) return QStringLiteral("out of memory");
    Reading reading{parser.get(), events};
    XML_SetUserData(parser.get(), &reading);
    XML_SetElementHandler(parser.get(), onStart, onEnd);
    XML_SetCharacterDataHandler(parser.get(), onText);
    const auto line = [&] {
        return QStringLiteral("line %1: ").arg(XML_GetCurrentLineNumber(parser.get()));
    };
    if (XML_Parse(parser.get(), xml.constData(), static_cast<int>(xml.size()), XML_TRUE) ==
        XML_STATUS_OK)
        return {};
    if (!events.failure().isEmpty()) return line() + events.failure();
    return line() + QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(parser.get())));
}

std::string_view attribute(const char* const* attributes, std::string_view name) {
    for (; attributes && attributes[0]; attributes += 2)
        if (name == attributes[0]) return attributes[1];
    return {};
}

}  // namespace velor
