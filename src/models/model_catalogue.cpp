#include "models/model_descriptor.h"

#include <array>

namespace velor {

namespace {

constexpr std::array<std::int32_t, kDpiLevels> kDpi100 = {4, 8, 12, 16, 32, 50, 0, 0};
constexpr std::array<std::int32_t, kDpiLevels> kDpi50 = {8, 16, 24, 32, 64, 100, 0, 0};

// What every slot shares; each entry below states what sets it apart.
constexpr ModelDescriptor base(int slot, std::string_view prefix, std::string_view folder,
                               std::string_view library, std::uint16_t pid, std::uint8_t code) {
    return ModelDescriptor{
        .slot = slot,
        .controlPrefix = prefix,
        .dataFolder = folder,
        .library = library,
        .vid = 0x1D57,
        .pid = pid,
        .receiverCode = code,
        .receiver4kCode = std::nullopt,
        .bleVidText = {},
        .blePidText = {},
        .bleHidVid = std::nullopt,
        .bleHidPid = std::nullopt,
        .messageBase = messageBaseOf(slot),
        .timerBase = timerBaseOf(slot),
        .dpiMapping = DpiMapping::Linear50,
        .dpiMin = 50,
        .dpiMax = 26000,
        .pollingOptions = PollingOptions::FourRates,
        .recordShape = RecordShape::Swapped,
        .record = {.slot = slot,
                   .layout = nullptr,
                   .defaults = {.dpi = kDpi50,
                                .pollingRate = 3,
                                .pollingRateHs = 6,
                                .motionSync = 1,
                                .lightMode = 0}},
        .lightingLayout = LightingLayout::Swapped,
        .dpiReport = DpiReportVariant::Wide,
        .macroReportLength = 131,
        .hasLightOff = false,
        .hasBle = false,
        .has4k = false,
    };
}

ModelDescriptor classic(ModelDescriptor d, DpiMapping mapping, int dpiMax, DpiReportVariant dpi) {
    d.dpiMapping = mapping;
    d.dpiMax = dpiMax;
    d.recordShape = RecordShape::Short;
    d.record.layout = &shortRecordLayout();
    d.lightingLayout = LightingLayout::Classic;
    d.dpiReport = dpi;
    d.record.defaults.motionSync = 0;
    d.supported = true;
    return d;
}

ModelDescriptor highRate(ModelDescriptor d) {
    d.receiver4kCode = d.receiverCode;
    d.pollingOptions = PollingOptions::SevenRates;
    d.record.layout = &swappedRecordLayout();
    d.macroReportLength = 111;
    d.has4k = true;
    d.record.defaults.pollingRate = 6;
    d.pollingEvent = PollingEvent::SevenRateCodes;
    return d;
}

ModelDescriptor bluetooth(ModelDescriptor d, std::string_view pidText, std::uint16_t hidPid) {
    d.bleVidText = "VID&02045E";
    d.blePidText = pidText;
    d.bleHidVid = 0x045E;
    d.bleHidPid = hidPid;
    d.hasBle = true;
    d.lightingEvent = LightingEvent::HighNibble;
    return d;
}

ModelDescriptor highRateBluetooth(ModelDescriptor d, std::string_view pidText,
                                  std::uint16_t hidPid) {
    d = bluetooth(highRate(d), pidText, hidPid);
    d.pollingOptions = PollingOptions::TwoSettings;
    d.recordShape = RecordShape::Long;
    d.record.layout = &longRecordLayout();
    d.lightingLayout = LightingLayout::Long;
    d.record.defaults.pollingRate = 3;
    d.pollingEvent = PollingEvent::Nibbles;
    return d;
}

ModelDescriptor lightOff(ModelDescriptor d, DpiMapping mapping, int dpiMax, DpiReportVariant dpi) {
    d = bluetooth(d, d.slot == 7 ? "PID&0033" : "PID&0035", d.slot == 7 ? 0x0033 : 0x0035);
    d.dpiMapping = mapping;
    d.dpiMax = dpiMax;
    d.record.layout = &swappedLightOffRecordLayout();
    d.dpiReport = dpi;
    d.hasLightOff = true;
    d.pollingEvent = PollingEvent::ExactCodes;
    d.record.defaults.lightMode = 7;
    return d;
}

const std::array<ModelDescriptor, 10> kCatalogue = [] {
    std::array<ModelDescriptor, 10> c = {
        classic(base(1, "ms_1_", "ms_1", "devport_1", 0xFA61, 0x10), DpiMapping::TwoSegment, 12000,
                DpiReportVariant::Table),
        classic(base(2, "ms_2_", "ms_2", "devport_2", 0xFA71, 0x20), DpiMapping::Linear50, 26000,
                DpiReportVariant::Wide),
        highRate(base(3, "ms_3_", "ms_3", "devport_3", 0xFA72, 0x21)),
        highRate(base(4, "ms_4_", "ms_4", "devport_4", 0xFA73, 0x30)),
        base(5, "ms_5_", "ms_5", "devport_5", 0xFA74, 0x31),
        highRateBluetooth(base(6, "ms_6_", "ms_6", "devport_6", 0xFA75, 0x32), "PID&0032", 0x0032),
        lightOff(base(7, "ms_7_", "ms_7", "devport_ms_7", 0xFA76, 0x33), DpiMapping::TwoSegment,
                 12000, DpiReportVariant::Table),
        highRateBluetooth(base(8, "ms_8_", "ms_8", "devport_ms_8", 0xFA77, 0x34), "PID&0034",
                          0x0034),
        lightOff(base(9, "ms_9_", "ms_9", "devport_ms_9", 0xFA78, 0x35), DpiMapping::TwoSegment,
                 19000, DpiReportVariant::Offset),
        base(10, "ms_10_", "ms_10", "devport_ms_10", 0xFA79, 0x36),
    };
    // The high-rate models: cable, 2.4 GHz and 4K receivers are all driven;
    // the Bluetooth models add Bluetooth LE.
    for (const int slot : {3, 4, 6, 7, 8, 9}) c[static_cast<std::size_t>(slot - 1)].supported = true;
    // Slot 6's lighting is not set from the page; its twin 8 keeps it.
    c[5].hidesLighting = true;
    // The mid model: two-segment DPI, the table report, exact polling codes.
    ModelDescriptor& mid = c[4];
    mid.dpiMapping = DpiMapping::TwoSegment;
    mid.dpiMax = 12000;
    mid.record.layout = &swappedRecordLayout();
    mid.dpiReport = DpiReportVariant::Table;
    mid.pollingEvent = PollingEvent::ExactCodes;
    mid.supported = true;
    // The reference model.
    ModelDescriptor& ref = c[9];
    ref.dpiMapping = DpiMapping::Linear100;
    ref.dpiMin = 200;
    ref.dpiMax = 10000;
    ref.recordShape = RecordShape::Reference;
    ref.record.layout = &referenceRecordLayout();
    ref.lightingLayout = LightingLayout::Reference;
    ref.dpiReport = DpiReportVariant::Reference;
    ref.record.defaults = {
        .dpi = kDpi100, .pollingRate = 3, .pollingRateHs = 6, .motionSync = 0, .lightMode = 0};
    ref.supported = true;
    return c;
}();

}  // namespace

const ModelDescriptor* descriptorFor(int slot) {
    return slot >= kFirstSlot && slot <= kLastSlot ? &kCatalogue[static_cast<std::size_t>(slot - 1)]
                                                   : nullptr;
}

const ModelDescriptor* supportedDescriptor(int slot) {
    const ModelDescriptor* d = descriptorFor(slot);
    return d != nullptr && d->supported ? d : nullptr;
}

const ModelDescriptor* descriptorForBle(std::uint16_t vendor, std::uint16_t product) {
    for (const ModelDescriptor& d : kCatalogue)
        if (d.hasBle && d.bleHidVid == vendor && d.bleHidPid == product) return &d;
    return nullptr;
}

bool dpiReportCarries(const ModelDescriptor& model, Field option) {
    switch (model.dpiReport) {
        case DpiReportVariant::Reference:
            return false;
        case DpiReportVariant::Table:
            return option == Field::angleSnap || option == Field::rippleControl;
        case DpiReportVariant::Wide:
            return true;
        case DpiReportVariant::Offset:
            return option != Field::motionSync;
    }
    return false;
}

}  // namespace velor
