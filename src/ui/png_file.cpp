#include "ui/png_file.h"

#include <png.h>

#include "skin/resource_file.h"

namespace velor {

QImage readPngFile(const QString& path) {
    const auto bytes = readResourceFile(path);
    if (!bytes) return {};
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes->constData(),
                                          static_cast<std::size_t>(bytes->size())))
        return {};
    // Blue, green, red, alpha in memory: QImage's ARGB32 on a little-endian
    // machine, what Qt's own reader gives for such a file.
    png.format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    QImage image(static_cast<int>(png.width), static_cast<int>(png.height), QImage::Format_ARGB32);
    if (image.isNull() ||
        !png_image_finish_read(&png, nullptr, image.bits(),
                               static_cast<png_int_32>(image.bytesPerLine()), nullptr)) {
        png_image_free(&png);
        return {};
    }
    return image;
}

}  // namespace velor
