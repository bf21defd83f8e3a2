#include "updates/EffectInfo.h"

#include "base/Resources.h"
#include "link/ParameterModel.h"

#include <QFile>
#include <QString>

#include <array>

namespace corvid {

namespace {

// What each parameter changes, by slot.
constexpr std::array<const char*, parameterCount> kDescriptions = {
    "The level of your unprocessed guitar.",
    "The level of the octave voices together, against the dry signal.",
    "The level of the voice one octave below what you play.",
    "The level of the voice two octaves below what you play.",
    "Turns the octave voices from a smooth tone into a shaped, buzzier wave.",
    "How far the low-pass filter darkens the octave voices.",
    "How far the high-pass filter thins the octave voices.",
    "The level of the harmonic voice.",
    "Splits the sound: the octave voices and the dry guitar take separate paths.",
    "How far up the neck the octave voices follow what you play.",
    "The level of your guitar going into the octave effect (not the dry signal). Lower it if "
    "the octave voices distort too much.",
    "The pitch of the harmonic voice, in semitones from what you play.",
    "How hard the wave voice is clipped.",
    "Improves tracking of the lowest chord (the open E chord in standard tuning) when Range is "
    "high. Needs the tuning your guitar is in.",
    "Removes tracking and noise on the higher strings (the open G string and the first frets in "
    "standard tuning). Needs the tuning your guitar is in.",
};

std::string RangeText(const ParameterInfo& info) {
    switch (info.encoding) {
    case Encoding::Level:
        return "0 to 1023";
    case Encoding::StepCount:
        return "0 to " + std::to_string(info.scale) + " steps";
    case Encoding::PitchTable:
        return "&minus;12 to +12 semitones";
    case Encoding::WaveSwitch:
    case Encoding::SplitSwitch:
        return "on or off";
    case Encoding::NoteCutFlag:
        return "on or off, with a tuning chosen";
    }
    return {};
}

std::string Escaped(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped().toStdString();
}

} // namespace

std::string ParameterSectionHtml() {
    // Each parameter a short paragraph under its name and range: the window is narrow, and
    // a table's middle column would wrap every few words.
    std::string html = "<h2>Parameters</h2>\n";
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        const ParameterInfo& info = parameterTable[slot];
        html += "<p><b>" + Escaped(info.name) + "</b> &nbsp;(" + RangeText(info) + ")<br>" +
                Escaped(kDescriptions[slot]) +
                (info.assignable ? " It can be put on a control." : "") + "</p>\n";
    }
    return html;
}

std::optional<std::string> EffectInfoPage(const std::string& resourceName) {
    QFile file(QString::fromStdString(FindResource(":/info", resourceName + ".html")));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    std::string page = file.readAll().toStdString();
    const std::string marker = "<!--parameters-->";
    if (const std::size_t at = page.find(marker); at != std::string::npos) {
        page.replace(at, marker.size(), ParameterSectionHtml());
    }
    return page;
}

} // namespace corvid
