#pragma once
// The wizard's three positional arguments, read once by the program entry:
// the data folder, the recipient and the path. Each is matched exactly and
// case-sensitively; anything else is Unknown or None.

#include <string>
#include <string_view>
#include <vector>

namespace txad {

enum class Recipient { Unknown, Aie, Anarpe };

// None walks every page in order and offers no Back; WithoutSites ("1")
// leaves the site page out; WithSites ("2") starts on it.
enum class WizardPath { None, WithoutSites, WithSites };

struct WizardArguments {
    std::string DataDir; // as given; empty when missing
    Recipient Target = Recipient::Unknown;
    // The recipient as given: the start-up error names an unknown one.
    std::string TargetArgument;
    WizardPath Path = WizardPath::None;
};

// "aie", "anarpe"; empty for Unknown. The delivery folder, the parameter file
// and the record set are named after it.
constexpr std::string_view RecipientName(Recipient Target) {
    switch (Target) {
    case Recipient::Aie: return "aie";
    case Recipient::Anarpe: return "anarpe";
    case Recipient::Unknown: break;
    }
    return {};
}

// Reads data folder, recipient and path from the positional arguments
// (missing ones count as empty).
inline WizardArguments ParseWizardArguments(const std::vector<std::string>& Positional) {
    const auto At = [&](std::size_t I) { return I < Positional.size() ? Positional[I] : std::string(); };
    WizardArguments Args;
    Args.DataDir = At(0);
    Args.TargetArgument = At(1);
    if (Args.TargetArgument == RecipientName(Recipient::Aie))
        Args.Target = Recipient::Aie;
    else if (Args.TargetArgument == RecipientName(Recipient::Anarpe))
        Args.Target = Recipient::Anarpe;
    if (At(2) == "1")
        Args.Path = WizardPath::WithoutSites;
    else if (At(2) == "2")
        Args.Path = WizardPath::WithSites;
    return Args;
}

} // namespace txad
