#include "mapping/Presets.h"

QString PresetMappingName(TPresetMapping Preset)
{
    switch (Preset) {
    case TPresetMapping::Lambert1K:
        return QStringLiteral("LambertMapping1K");
    case TPresetMapping::Lambert4K:
        return QStringLiteral("LambertMapping4K");
    case TPresetMapping::Polar800:
        return QStringLiteral("PolarMapping800");
    case TPresetMapping::PolarNorth:
        return QStringLiteral("PolarMappingNorth");
    case TPresetMapping::Disc:
        return QStringLiteral("DiscMapping");
    }
    return QString();
}

bool FindPresetMapping(const QString& Name, TPresetMapping& Preset)
{
    for (int i = 0; i < PresetMappingCount; ++i) {
        const auto candidate = static_cast<TPresetMapping>(i);
        if (Name.compare(PresetMappingName(candidate), Qt::CaseInsensitive) == 0) {
            Preset = candidate;
            return true;
        }
    }
    return false;
}

void BuildPresetMapping(TPresetMapping Preset, TMapping& Mapping)
{
    switch (Preset) {
    case TPresetMapping::Lambert1K:
    case TPresetMapping::Lambert4K: {
        const bool large = Preset == TPresetMapping::Lambert4K;
        Mapping.SetKind(pkLambertConformal);
        Mapping.SetHeight(large ? 4096 : 1024);
        Mapping.SetWidth(large ? 4096 : 1024);
        Mapping.SetCentreLon(128.5f);
        // The standard parallels follow the centre latitude, which overwrites them.
        Mapping.SetCentreLat(25.7f);
        Mapping.SetStdParallel1(44.5f);
        Mapping.SetStdParallel2(44.0f);
        Mapping.SetLatSpan(46.6f);
        Mapping.SetXOffset(large ? 684 : 171);
        break;
    }
    case TPresetMapping::Polar800:
        Mapping.SetKind(pkPolarStereographic);
        Mapping.SetHeight(800);
        Mapping.SetWidth(800);
        Mapping.SetCentreLon(135.0f);
        Mapping.SetCentreLat(35.45f);
        Mapping.SetLatSpan(46.6f);
        Mapping.SetXOffset(137);
        break;
    case TPresetMapping::PolarNorth:
        Mapping.SetKind(pkPolarStereographic);
        Mapping.SetHeight(877);
        Mapping.SetWidth(1078);
        Mapping.SetCentreLon(-45.0f);
        Mapping.SetCentreLat(90.0f);
        Mapping.SetLatSpan(101.68f);
        Mapping.SetXOffset(-36);
        Mapping.SetYOffset(306);
        break;
    case TPresetMapping::Disc:
        Mapping.SetKind(pkOrthographic);
        Mapping.SetHeight(1595);
        Mapping.SetWidth(Mapping.GetHeight());
        Mapping.SetCentreLon(140.5f);
        Mapping.SetCentreLat(0.0f);
        Mapping.SetLatSpan(180.0f);
        Mapping.SetXOffset(58);
        Mapping.SetYOffset(-52);
        break;
    }
}
