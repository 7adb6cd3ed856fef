/* A library that lacks ASPI entry points, for the loader's refusal: built
   once with the support-information entry only, once with none. */
#include <stdint.h>

#ifdef _WIN32
#define KQ_EXPORT __declspec(dllexport) __cdecl
#else
#define KQ_EXPORT __attribute__((visibility("default")))
#endif

#ifdef KQ_WITH_SUPPORT_INFO
KQ_EXPORT uint32_t GetASPI32SupportInfo(void) { return 0x0101; }
#else
KQ_EXPORT int kq_no_entry_points(void) { return 0; }
#endif
