#ifndef KOVA_DEMO_PROGRAM_RES_H
#define KOVA_DEMO_PROGRAM_RES_H

#define IDS_ROLE 1

#endif
