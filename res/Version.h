/* The program's version, for the version resource. */
#pragma once

#define QM_FILEVERSION 0, 7, 4, 17
#define QM_FILEVERSION_TEXT "0.7.4.17"
