// Our XML files (skins, language files) read as a stream of events by expat,
// which fontconfig has already loaded into every Qt process: several times
// faster than building a document first, and nothing of a file is kept but
// what its reader takes from it.
#pragma once

#include <QByteArray>
#include <QString>

#include <string_view>

namespace velor {

class XmlEvents {
  public:
    virtual ~XmlEvents() = default;
    // attributes: name, value, name, value, ..., nullptr (expat's layout).
    virtual void start(std::string_view element, const char* const* attributes) = 0;
    virtual void end(std::string_view element) = 0;
    // Text between tags, in pieces: a text may come in several.
    virtual void text(std::string_view) {}

    // A reader that finds the file unsound says why here; reading stops.
    void fail(QString reason) {
        if (failure_.isEmpty()) failure_ = std::move(reason);
    }
    const QString& failure() const { return failure_; }

  private:
    QString failure_;
};

// Reads xml into events to its end, or until it is not well-formed or events
// fail; the reason with its line ("line 3: not well-formed (invalid token)"),
// or an empty string. What events took before the fault stays taken.
QString readXml(const QByteArray& xml, XmlEvents& events);

// The value of one attribute, or an empty view.
std::string_view attribute(const char* const* attributes, std::string_view name);

}  // namespace velor
