#include "tools/tag_names.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "model/exif_constants.h"

namespace kexif::cli {
namespace {

constexpr TagSpace kI = TagSpace::kImage;
constexpr TagSpace kG = TagSpace::kGps;
constexpr TagSpace kO = TagSpace::kInterop;

constexpr int32_t B = kTypeByte;
constexpr int32_t A = kTypeAscii;
constexpr int32_t S = kTypeShort;
constexpr int32_t L = kTypeLong;
constexpr int32_t R = kTypeRational;
constexpr int32_t U = kTypeUndefined;
constexpr int32_t SR = kTypeSRational;

constexpr TagInfo kTags[] = {
    // TIFF 6.0 baseline and extension tags.
    {254, kI, "NewSubfileType", L},
    {255, kI, "SubfileType", S},
    {256, kI, "ImageWidth", L},
    {257, kI, "ImageLength", L},
    {258, kI, "BitsPerSample", S},
    {259, kI, "Compression", S},
    {262, kI, "PhotometricInterpretation", S},
    {263, kI, "Threshholding", S},
    {264, kI, "CellWidth", S},
    {265, kI, "CellLength", S},
    {266, kI, "FillOrder", S},
    {269, kI, "DocumentName", A},
    {270, kI, "ImageDescription", A},
    {271, kI, "Make", A},
    {272, kI, "Model", A},
    {273, kI, "StripOffsets", L},
    {274, kI, "Orientation", S},
    {277, kI, "SamplesPerPixel", S},
    {278, kI, "RowsPerStrip", L},
    {279, kI, "StripByteCounts", L},
    {280, kI, "MinSampleValue", S},
    {281, kI, "MaxSampleValue", S},
    {282, kI, "XResolution", R},
    {283, kI, "YResolution", R},
    {284, kI, "PlanarConfiguration", S},
    {285, kI, "PageName", A},
    {286, kI, "XPosition", R},
    {287, kI, "YPosition", R},
    {288, kI, "FreeOffsets", L},
    {289, kI, "FreeByteCounts", L},
    {290, kI, "GrayResponseUnit", S},
    {291, kI, "GrayResponseCurve", S},
    {292, kI, "T4Options", L},
    {293, kI, "T6Options", L},
    {296, kI, "ResolutionUnit", S},
    {297, kI, "PageNumber", S},
    {301, kI, "TransferFunction", S},
    {305, kI, "Software", A},
    {306, kI, "DateTime", A},
    {315, kI, "Artist", A},
    {316, kI, "HostComputer", A},
    {317, kI, "Predictor", S},
    {318, kI, "WhitePoint", R},
    {319, kI, "PrimaryChromaticities", R},
    {320, kI, "ColorMap", S},
    {321, kI, "HalftoneHints", S},
    {322, kI, "TileWidth", L},
    {323, kI, "TileLength", L},
    {324, kI, "TileOffsets", L},
    {325, kI, "TileByteCounts", L},
    {330, kI, "SubIFDs", L},
    {332, kI, "InkSet", S},
    {333, kI, "InkNames", A},
    {334, kI, "NumberOfInks", S},
    {336, kI, "DotRange", B},
    {337, kI, "TargetPrinter", A},
    {338, kI, "ExtraSamples", S},
    {339, kI, "SampleFormat", S},
    {340, kI, "SMinSampleValue", S},
    {341, kI, "SMaxSampleValue", S},
    {342, kI, "TransferRange", S},
    {512, kI, "JPEGProc", S},
    {513, kI, "JPEGInterchangeFormat", L},
    {514, kI, "JPEGInterchangeFormatLength", L},
    {515, kI, "JPEGRestartInterval", S},
    {517, kI, "JPEGLosslessPredictors", S},
    {518, kI, "JPEGPointTransforms", S},
    {519, kI, "JPEGQTables", L},
    {520, kI, "JPEGDCTables", L},
    {521, kI, "JPEGACTables", L},
    {529, kI, "YCbCrCoefficients", R},
    {530, kI, "YCbCrSubSampling", S},
    {531, kI, "YCbCrPositioning", S},
    {532, kI, "ReferenceBlackWhite", R},
    {700, kI, "XMLPacket", B},
    {33432, kI, "Copyright", A},
    {33723, kI, "IPTCNAA", L},
    {34377, kI, "ImageResources", B},
    {34665, kI, "ExifIFDPointer", L},
    {34675, kI, "InterColorProfile", U},
    {34853, kI, "GPSInfoIFDPointer", L},
    // Exif sub-directory tags.
    {33434, kI, "ExposureTime", R},
    {33437, kI, "FNumber", R},
    {34850, kI, "ExposureProgram", S},
    {34852, kI, "SpectralSensitivity", A},
    {34855, kI, "ISOSpeedRatings", S},
    {34856, kI, "OECF", U},
    {34864, kI, "SensitivityType", S},
    {34865, kI, "StandardOutputSensitivity", L},
    {34866, kI, "RecommendedExposureIndex", L},
    {34867, kI, "ISOSpeed", L},
    {34868, kI, "ISOSpeedLatitudeyyy", L},
    {34869, kI, "ISOSpeedLatitudezzz", L},
    {36864, kI, "ExifVersion", U},
    {36867, kI, "DateTimeOriginal", A},
    {36868, kI, "DateTimeDigitized", A},
    {36880, kI, "OffsetTime", A},
    {36881, kI, "OffsetTimeOriginal", A},
    {36882, kI, "OffsetTimeDigitized", A},
    {37121, kI, "ComponentsConfiguration", U},
    {37122, kI, "CompressedBitsPerPixel", R},
    {37377, kI, "ShutterSpeedValue", SR},
    {37378, kI, "ApertureValue", R},
    {37379, kI, "BrightnessValue", SR},
    {37380, kI, "ExposureBiasValue", SR},
    {37381, kI, "MaxApertureValue", R},
    {37382, kI, "SubjectDistance", R},
    {37383, kI, "MeteringMode", S},
    {37384, kI, "LightSource", S},
    {37385, kI, "Flash", S},
    {37386, kI, "FocalLength", R},
    {37396, kI, "SubjectArea", S},
    {37500, kI, "MakerNote", U},
    {37510, kI, "UserComment", U},
    {37520, kI, "SubSecTime", A},
    {37521, kI, "SubSecTimeOriginal", A},
    {37522, kI, "SubSecTimeDigitized", A},
    {37888, kI, "Temperature", SR},
    {37889, kI, "Humidity", R},
    {37890, kI, "Pressure", R},
    {37891, kI, "WaterDepth", SR},
    {37892, kI, "Acceleration", R},
    {37893, kI, "CameraElevationAngle", SR},
    {40960, kI, "FlashpixVersion", U},
    {40961, kI, "ColorSpace", S},
    {40962, kI, "PixelXDimension", L},
    {40963, kI, "PixelYDimension", L},
    {40964, kI, "RelatedSoundFile", A},
    {40965, kI, "InteroperabilityIFDPointer", L},
    {41483, kI, "FlashEnergy", R},
    {41484, kI, "SpatialFrequencyResponse", U},
    {41486, kI, "FocalPlaneXResolution", R},
    {41487, kI, "FocalPlaneYResolution", R},
    {41488, kI, "FocalPlaneResolutionUnit", S},
    {41492, kI, "SubjectLocation", S},
    {41493, kI, "ExposureIndex", R},
    {41495, kI, "SensingMethod", S},
    {41728, kI, "FileSource", U},
    {41729, kI, "SceneType", U},
    {41730, kI, "CFAPattern", U},
    {41985, kI, "CustomRendered", S},
    {41986, kI, "ExposureMode", S},
    {41987, kI, "WhiteBalance", S},
    {41988, kI, "DigitalZoomRatio", R},
    {41989, kI, "FocalLengthIn35mmFilm", S},
    {41990, kI, "SceneCaptureType", S},
    {41991, kI, "GainControl", S},
    {41992, kI, "Contrast", S},
    {41993, kI, "Saturation", S},
    {41994, kI, "Sharpness", S},
    {41995, kI, "DeviceSettingDescription", U},
    {41996, kI, "SubjectDistanceRange", S},
    {42016, kI, "ImageUniqueID", A},
    {42032, kI, "CameraOwnerName", A},
    {42033, kI, "BodySerialNumber", A},
    {42034, kI, "LensSpecification", R},
    {42035, kI, "LensMake", A},
    {42036, kI, "LensModel", A},
    {42037, kI, "LensSerialNumber", A},
    {42038, kI, "ImageTitle", A},
    {42039, kI, "Photographer", A},
    {42040, kI, "ImageEditor", A},
    {42041, kI, "CameraFirmware", A},
    {42042, kI, "RAWDevelopingSoftware", A},
    {42043, kI, "ImageEditingSoftware", A},
    {42044, kI, "MetadataEditingSoftware", A},
    {42080, kI, "CompositeImage", S},
    {42081, kI, "SourceImageNumberOfCompositeImage", S},
    {42082, kI, "SourceExposureTimesOfCompositeImage", U},
    {42240, kI, "Gamma", R},
    // Ratings and the UTF-16 text tags that Windows writes in IFD0.
    {18246, kI, "Rating", S},
    {18249, kI, "RatingPercent", S},
    {40091, kI, "XPTitle", B},
    {40092, kI, "XPComment", B},
    {40093, kI, "XPAuthor", B},
    {40094, kI, "XPKeywords", B},
    {40095, kI, "XPSubject", B},
    // GPS directory tags.
    {0, kG, "GPSVersionID", B},
    {1, kG, "GPSLatitudeRef", A},
    {2, kG, "GPSLatitude", R},
    {3, kG, "GPSLongitudeRef", A},
    {4, kG, "GPSLongitude", R},
    {5, kG, "GPSAltitudeRef", B},
    {6, kG, "GPSAltitude", R},
    {7, kG, "GPSTimeStamp", R},
    {8, kG, "GPSSatellites", A},
    {9, kG, "GPSStatus", A},
    {10, kG, "GPSMeasureMode", A},
    {11, kG, "GPSDOP", R},
    {12, kG, "GPSSpeedRef", A},
    {13, kG, "GPSSpeed", R},
    {14, kG, "GPSTrackRef", A},
    {15, kG, "GPSTrack", R},
    {16, kG, "GPSImgDirectionRef", A},
    {17, kG, "GPSImgDirection", R},
    {18, kG, "GPSMapDatum", A},
    {19, kG, "GPSDestLatitudeRef", A},
    {20, kG, "GPSDestLatitude", R},
    {21, kG, "GPSDestLongitudeRef", A},
    {22, kG, "GPSDestLongitude", R},
    {23, kG, "GPSDestBearingRef", A},
    {24, kG, "GPSDestBearing", R},
    {25, kG, "GPSDestDistanceRef", A},
    {26, kG, "GPSDestDistance", R},
    {27, kG, "GPSProcessingMethod", U},
    {28, kG, "GPSAreaInformation", U},
    {29, kG, "GPSDateStamp", A},
    {30, kG, "GPSDifferential", S},
    {31, kG, "GPSHPositioningError", R},
    // Interoperability directory tags.
    {1, kO, "InteroperabilityIndex", A},
    {2, kO, "InteroperabilityVersion", U},
    {4096, kO, "RelatedImageFileFormat", A},
    {4097, kO, "RelatedImageWidth", L},
    {4098, kO, "RelatedImageLength", L},
};

// Other names users know tags by.
constexpr TagAlias kAliases[] = {
    {"ISO", "ISOSpeedRatings"},
    {"ExposureCompensation", "ExposureBiasValue"},
    {"ModifyDate", "DateTime"},
    {"CreateDate", "DateTimeDigitized"},
    {"Description", "ImageDescription"},
    {"Author", "Artist"},
    {"Lens", "LensModel"},
    {"SerialNumber", "BodySerialNumber"},
    {"OwnerName", "CameraOwnerName"},
    {"ImageHeight", "ImageLength"},
    {"ExifImageWidth", "PixelXDimension"},
    {"ExifImageHeight", "PixelYDimension"},
    {"Title", "XPTitle"},
    {"Keywords", "XPKeywords"},
};

constexpr std::array<const char *, 12> kTypeNames = {
    "BYTE", "ASCII", "SHORT", "LONG", "RATIONAL", "SBYTE",
    "UNDEFINED", "SSHORT", "SLONG", "SRATIONAL", "FLOAT", "DOUBLE"};

constexpr uint32_t kLargestTagNumber = 0xFFFF;

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// Decimal, or hex after "0x"; empty when the text holds anything else or
// the number exceeds limit.
std::optional<uint32_t> ParseUnsigned(std::string_view text, uint32_t limit) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  uint64_t n = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return std::nullopt;
    n = n * base + digit;
    if (n > limit) return std::nullopt;
  }
  return static_cast<uint32_t>(n);
}

}  // namespace

const TagInfo *FindTagInfo(uint32_t number, TagSpace space) {
  for (const TagInfo &info : kTags) {
    if (info.number == number && info.space == space) return &info;
  }
  return nullptr;
}

const TagInfo *FindTagInfoByName(std::string_view name) {
  for (const TagInfo &info : kTags) {
    if (SameIgnoringCase(info.name, name)) return &info;
  }
  for (const TagAlias &alias : kAliases) {
    if (SameIgnoringCase(alias.alias, name)) return FindTagInfoByName(alias.name);
  }
  return nullptr;
}

std::span<const TagInfo> KnownTags() { return kTags; }

std::span<const TagAlias> KnownAliases() { return kAliases; }

std::optional<TagRef> ParseTagRef(std::string_view text) {
  if (const TagInfo *info = FindTagInfoByName(text)) return TagRef{info->number, info};
  std::optional<uint32_t> number = ParseUnsigned(text, kLargestTagNumber);
  if (!number) return std::nullopt;
  return TagRef{*number, FindTagInfo(*number, TagSpace::kImage)};
}

std::string TagDisplayName(uint32_t number, TagSpace space) {
  if (const TagInfo *info = FindTagInfo(number, space)) return info->name;
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", number);
  return text;
}

std::string TypeName(int32_t type) {
  if (type >= 1 && type <= static_cast<int32_t>(kTypeNames.size())) return kTypeNames[type - 1];
  return std::to_string(type);
}

int32_t ParseTypeName(std::string_view text) {
  for (size_t i = 0; i < kTypeNames.size(); ++i) {
    if (SameIgnoringCase(kTypeNames[i], text)) return static_cast<int32_t>(i + 1);
  }
  std::optional<uint32_t> number = ParseUnsigned(text, kTypeNames.size());
  return number ? static_cast<int32_t>(*number) : 0;
}

}  // namespace kexif::cli
