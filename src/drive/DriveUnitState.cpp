#include "drive/DriveUnitState.h"

namespace kq {

DriveUnitState& DriveUnit() {
    static DriveUnitState state;
    return state;
}

}  // namespace kq
