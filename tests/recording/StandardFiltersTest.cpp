// The shipped filter files must load as coefficient files and do what their names promise.
#include "acquisition/NumberText.h"

#include <SimpleIni.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

std::vector<double> LoadCoefficients(const std::string& name) {
    CSimpleIniA ini;
    const std::string path = std::string(ORVANT_SOURCE_DIR) + "/filters/" + name;
    EXPECT_EQ(ini.LoadFile(path.c_str()), SI_OK) << path;
    std::vector<double> coefficients;
    for (int i = 0;; ++i) {
        const char* text = ini.GetValue("Filter", ("C" + std::to_string(i)).c_str(), nullptr);
        if (!text) break;
        coefficients.push_back(StrToFloat(text));
    }
    CSimpleIniA::TNamesDepend keys;
    ini.GetAllKeys("Filter", keys);
    EXPECT_EQ(keys.size(), coefficients.size()) << name << ": keys beyond C0..C(N-1)";
    return coefficients;
}

// Gain of the filter for a sine of `periodSeconds` sampled every `stepSeconds`.
double Gain(const std::vector<double>& c, double stepSeconds, double periodSeconds) {
    const int half = static_cast<int>(c.size()) / 2;
    double gain = 0;
    for (int k = -half; k <= half; ++k)
        gain += c[k + half] * std::cos(2 * std::numbers::pi * k * stepSeconds / periodSeconds);
    return gain;
}

struct TStandardFilter {
    const char* Name;
    double Step;
    std::size_t Count;
    double Centre;
};

}  // namespace

TEST(StandardFilters, AreNormalisedSymmetricGaussiansWithHalfPowerAt120Seconds) {
    for (const TStandardFilter& filter : {TStandardFilter{"gaussian-1s-to-1min-91.filter", 1, 91, 0.0251958},
                                          {"gaussian-5s-to-1min-19.filter", 5, 19, 0.12578865},
                                          {"gaussian-10s-to-1min-11.filter", 10, 11, 0.25100743}}) {
        SCOPED_TRACE(filter.Name);
        const std::vector<double> c = LoadCoefficients(filter.Name);
        ASSERT_EQ(c.size(), filter.Count);
        double sum = 0;
        for (double value : c) sum += value;
        EXPECT_NEAR(sum, 1.0, 1e-14);
        EXPECT_NEAR(c[c.size() / 2], filter.Centre, 2e-8);
        for (std::size_t k = 0; k < c.size() / 2; ++k) {
            EXPECT_DOUBLE_EQ(c[k], c[c.size() - 1 - k]);
            EXPECT_LT(c[k], c[k + 1]);
        }
        EXPECT_NEAR(Gain(c, filter.Step, 120.0), std::sqrt(0.5), 1e-2);  // the cut tails add a little
        EXPECT_NEAR(Gain(c, filter.Step, 3600.0), 1.0, 1e-3);
    }
}
