#ifndef KOVAMAIN_RES_H
#define KOVAMAIN_RES_H

// The registered file type of KOVA libraries points at this icon by id.
#define IDI_KOVA 599

#endif
