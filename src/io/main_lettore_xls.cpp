// geomerce-xls: reads one workbook for LeggiXls in a process of its own, so that a damaged file
// can only bring down this program.
#include "io/xls.h"

int main(int argc, char** argv) { return gm::EseguiLettoreXls(argc, argv); }
