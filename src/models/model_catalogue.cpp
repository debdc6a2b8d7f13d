#include "models/model_descriptor.h"

namespace velor {

namespace {

// The reference model. The other nine slots join this table as data.
const ModelDescriptor kMs10{
    .slot = 10,
    .controlPrefix = "ms_10_",
    .dataFolder = "ms_10",
    .library = "devport_ms_10",
    .vid = 0x1D57,
    .pid = 0xFA79,
    .receiverCode = 0x36,
    .receiver4kCode = std::nullopt,
    .bleVidText = {},
    .blePidText = {},
    .bleHidVid = std::nullopt,
    .bleHidPid = std::nullopt,
    .messageBase = messageBaseOf(10),
    .timerBase = timerBaseOf(10),
    .dpiMapping = DpiMapping::Linear100,
    .dpiMin = 200,
    .dpiMax = 10000,
    .pollingOptions = PollingOptions::FourRates,
    .recordShape = RecordShape::Reference,
    .layout = &referenceRecordLayout(),
    .lightingLayout = LightingLayout::Reference,
    .dpiReport = DpiReportVariant::Reference,
    .macroReportLength = 131,
    .hasLightOff = false,
    .hasBle = false,
    .has4k = false,
    .defaults = {.dpi = {4, 8, 12, 16, 32, 50, 0, 0},
                 .pollingRate = 3,
                 .pollingRateHs = 6,
                 .motionSync = 0,
                 .lightMode = 0},
};

}  // namespace

const ModelDescriptor* descriptorFor(int slot) { return slot == 10 ? &kMs10 : nullptr; }

}  // namespace velor
