// Resource ids of DVP_QPV.dll that the code refers to.
#pragma once

#define IDR_OPUS_DESCRIPTION 1
#define IDI_PLUGIN 5
