// Resource identifiers of vxImage.DLL, shared by vximage.rc and the code that loads them.
#pragma once

#define IDS_PROJNAME 100     // string: the project name
#define IDR_VXIMAGE 101      // REGISTRY: the registration script vximage.rgs
#define IDB_SHADOW_MASK 202  // BITMAP: 64 x 45, 24 bits; the text shadow uses its surface
