/* A library that lacks ASPI entry points, for the loader's refusal: built
   once with the support-information entry only, once with none. */
#include <stdint.h>

#ifdef KQ_WITH_SUPPORT_INFO
__attribute__((visibility("default"))) uint32_t GetASPI32SupportInfo(void) { return 0x0101; }
#else
__attribute__((visibility("default"))) int kq_no_entry_points(void) { return 0; }
#endif
