// The texts of DVP_QPV.dll's version resource, each written once: the
// resource script puts them into the DLL, DVP_IdentifyW reports them from
// there, and the tests compare both with these. DVP_WIDE makes a wide
// literal of one for C++.
#pragma once

#define DVP_COMPANY_NAME "https://dvp-qpv.invalid/"
#define DVP_FILE_DESCRIPTION "DOpus Pictorama Plugin *BETA*"
#define DVP_INTERNAL_NAME "Pictorama"
#define DVP_LEGAL_COPYRIGHT "Copyright (C) 2026 The DVP_QPV developers"
#define DVP_PRODUCT_NAME "DVP QPV Dynamic Link Library"
#define DVP_PRODUCT_VERSION_TEXT "9, 0, 0, 0"

#define DVP_WIDE_OF(text) L##text
#define DVP_WIDE(text) DVP_WIDE_OF(text)
