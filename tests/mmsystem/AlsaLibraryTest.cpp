// ALSA's library is found at run time: a library that is missing, or one that lacks ALSA's
// functions, gives no device instead of a failure to start; the system's libasound.so.2, where
// installed, gives every function.
#include "MMSystem/posix/AlsaLibrary.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct MissingCase {
    const char* Name;
    const char* Soname;
};

class AlsaLibraryMissing : public ::testing::TestWithParam<MissingCase> {};

TEST_P(AlsaLibraryMissing, GivesNoLibrary) {
    EXPECT_EQ(alsa::Load(GetParam().Soname), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Lookup, AlsaLibraryMissing,
    ::testing::Values(MissingCase{"NotInstalled", "libasound-absent.so.99"},
                      MissingCase{"NotAnAlsaLibrary", "libm.so.6"},
                      MissingCase{"NoSuchPath", "/nonexistent/libasound.so.2"}),
    [](const ::testing::TestParamInfo<MissingCase>& info) { return std::string(info.param.Name); });

TEST(AlsaLibrarySystem, ResolvesEveryFunctionOnce) {
    const alsa::Library* library = alsa::System();
    if (library == nullptr) GTEST_SKIP() << "libasound.so.2 is not installed here";
    EXPECT_EQ(alsa::System(), library); // loaded once
    for (const void* function : {reinterpret_cast<const void*>(library->ErrorSetHandler),
                                 reinterpret_cast<const void*>(library->Open),
                                 reinterpret_cast<const void*>(library->SetParams),
                                 reinterpret_cast<const void*>(library->Close),
                                 reinterpret_cast<const void*>(library->Drop),
                                 reinterpret_cast<const void*>(library->Prepare),
                                 reinterpret_cast<const void*>(library->Start),
                                 reinterpret_cast<const void*>(library->WriteInterleaved),
                                 reinterpret_cast<const void*>(library->Recover),
                                 reinterpret_cast<const void*>(library->State),
                                 reinterpret_cast<const void*>(library->Delay),
                                 reinterpret_cast<const void*>(library->ConfigFreeGlobal)})
        EXPECT_NE(function, nullptr);
    // A name ALSA does not know opens nothing, through the looked-up function.
    alsa::Pcm* pcm = nullptr;
    EXPECT_LT(library->Open(&pcm, "kavoxm-no-such-pcm", alsa::StreamPlayback, alsa::OpenNonBlock),
              0);
}

} // namespace
