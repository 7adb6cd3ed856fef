#pragma once
// Whether the pass-through layer closes its drive handle after each
// command. Set around the tray and removal commands so that the system can
// act on the drive while we hold no handle; starts set.
namespace kq {

bool ReleaseHandleAfterCommand();
void StoreReleaseHandleAfterCommand(bool value);

}  // namespace kq
