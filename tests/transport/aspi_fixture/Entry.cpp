// The exported C entry points of the test ASPI library. The build chooses the
// names: WNASPI32 (default), ASAPI (ASPI_FIXTURE_ASAPI) or a broken library
// without its send-command entry (ASPI_FIXTURE_BROKEN).
#include <cstdint>

#include "FixtureState.h"

#if defined(_WIN32)
#define FIXTURE_EXPORT extern "C" __declspec(dllexport)
#else
#define FIXTURE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using tarnwick::test::aspi::Fixture;

#if defined(ASPI_FIXTURE_ASAPI)
FIXTURE_EXPORT std::uint32_t GetASAPI32SupportInfo() { return Fixture::Get().SupportInfo(); }
FIXTURE_EXPORT std::uint32_t SendASAPI32Command(void* request) { return Fixture::Get().Send(request); }
#else
FIXTURE_EXPORT std::uint32_t GetASPI32SupportInfo() { return Fixture::Get().SupportInfo(); }
#if !defined(ASPI_FIXTURE_BROKEN)
FIXTURE_EXPORT std::uint32_t SendASPI32Command(void* request) { return Fixture::Get().Send(request); }
#endif
#endif

FIXTURE_EXPORT long AspiFixtureControl(int op, long value) { return Fixture::Get().Control(op, value); }
