// function_table.cpp - the 372 built-in functions, kept as one table.
#include "xls/function_table.h"

namespace karvo {

namespace {

// {number, name, fixed argument count, reference-argument mask}. Masks are written
// from the 1-based reference positions: 0x3FFFFFFF is arguments 1-30, 0x6 is 2-3,
// 0x17 is 1-3 and 5, 0x7FE is 2-11. Numbers 202, 203, 217, 218, 249, 250, 255 and
// 333 have no function.
constexpr FunctionEntry kFunctions[] = {
    {0, u"COUNT", 0, 0x3FFFFFFF}, {1, u"IF", 0, 0x6}, {2, u"ISNA", 1, 0}, {3, u"ISERROR", 1, 0},
    {4, u"SUM", 0, 0x3FFFFFFF}, {5, u"AVERAGE", 0, 0x3FFFFFFF}, {6, u"MIN", 0, 0x3FFFFFFF},
    {7, u"MAX", 0, 0x3FFFFFFF}, {8, u"ROW", 0, 0x1}, {9, u"COLUMN", 0, 0x1}, {10, u"NA", 0, 0},
    {11, u"NPV", 0, 0x3FFFFFFE}, {12, u"STDEV", 0, 0x3FFFFFFF}, {13, u"DOLLAR", 0, 0}, {14, u"FIXED", 0, 0},
    {15, u"SIN", 1, 0}, {16, u"COS", 1, 0}, {17, u"TAN", 1, 0}, {18, u"ATAN", 1, 0}, {19, u"PI", 0, 0},
    {20, u"SQRT", 1, 0}, {21, u"EXP", 1, 0}, {22, u"LN", 1, 0}, {23, u"LOG10", 1, 0}, {24, u"ABS", 1, 0},
    {25, u"INT", 1, 0}, {26, u"SIGN", 1, 0}, {27, u"ROUND", 2, 0}, {28, u"LOOKUP", 0, 0x6},
    {29, u"INDEX", 0, 0x1}, {30, u"REPT", 2, 0}, {31, u"MID", 3, 0}, {32, u"LEN", 1, 0}, {33, u"VALUE", 1, 0},
    {34, u"TRUE", 0, 0}, {35, u"FALSE", 0, 0}, {36, u"AND", 0, 0x3FFFFFFF}, {37, u"OR", 0, 0x3FFFFFFF},
    {38, u"NOT", 1, 0}, {39, u"MOD", 2, 0}, {40, u"DCOUNT", 0, 0x7}, {41, u"DSUM", 0, 0x7},
    {42, u"DAVERAGE", 0, 0x7}, {43, u"DMIN", 0, 0x7}, {44, u"DMAX", 0, 0x7}, {45, u"DSTDEV", 0, 0x7},
    {46, u"VAR", 0, 0x3FFFFFFF}, {47, u"DVAR", 0, 0x7}, {48, u"TEXT", 2, 0}, {49, u"LINEST", 0, 0xF},
    {50, u"TREND", 0, 0xF}, {51, u"LOGEST", 0, 0xF}, {52, u"GROWTH", 0, 0xF}, {53, u"GOTO", 1, 0x1},
    {54, u"HALT", 0, 0}, {55, u"RETURN", 0, 0x1}, {56, u"PV", 0, 0}, {57, u"FV", 0, 0}, {58, u"NPER", 0, 0},
    {59, u"PMT", 0, 0}, {60, u"RATE", 0, 0}, {61, u"MIRR", 3, 0x1}, {62, u"IRR", 0, 0x1}, {63, u"RAND", 0, 0},
    {64, u"MATCH", 0, 0x6}, {65, u"DATE", 3, 0}, {66, u"TIME", 3, 0}, {67, u"DAY", 1, 0}, {68, u"MONTH", 1, 0},
    {69, u"YEAR", 1, 0}, {70, u"WEEKDAY", 0, 0}, {71, u"HOUR", 1, 0}, {72, u"MINUTE", 1, 0},
    {73, u"SECOND", 1, 0}, {74, u"NOW", 0, 0}, {75, u"AREAS", 1, 0x1}, {76, u"ROWS", 1, 0x1},
    {77, u"COLUMNS", 1, 0x1}, {78, u"OFFSET", 0, 0x1}, {79, u"ABSREF", 2, 0x2}, {80, u"RELREF", 2, 0x3},
    {81, u"ARGUMENT", 0, 0x7}, {82, u"SEARCH", 0, 0}, {83, u"TRANSPOSE", 1, 0}, {84, u"ERROR", 0, 0},
    {85, u"STEP", 0, 0}, {86, u"TYPE", 1, 0}, {87, u"ECHO", 0, 0}, {88, u"SET.NAME", 0, 0},
    {89, u"CALLER", 0, 0}, {90, u"DEREF", 1, 0x1}, {91, u"WINDOWS", 0, 0}, {92, u"SERIES", 0, 0x17},
    {93, u"DOCUMENTS", 0, 0}, {94, u"ACTIVE.CELL", 0, 0}, {95, u"SELECTION", 0, 0}, {96, u"RESULT", 0, 0},
    {97, u"ATAN2", 2, 0}, {98, u"ASIN", 1, 0}, {99, u"ACOS", 1, 0}, {100, u"CHOOSE", 0, 0x3FFFFFFE},
    {101, u"HLOOKUP", 0, 0x6}, {102, u"VLOOKUP", 0, 0x6}, {103, u"LINKS", 0, 0}, {104, u"INPUT", 0, 0},
    {105, u"ISREF", 1, 0x1}, {106, u"GET.FORMULA", 1, 0x1}, {107, u"GET.NAME", 0, 0},
    {108, u"SET.VALUE", 2, 0x1}, {109, u"LOG", 0, 0}, {110, u"EXEC", 0, 0}, {111, u"CHAR", 1, 0},
    {112, u"LOWER", 1, 0}, {113, u"UPPER", 1, 0}, {114, u"PROPER", 1, 0}, {115, u"LEFT", 0, 0},
    {116, u"RIGHT", 0, 0}, {117, u"EXACT", 2, 0}, {118, u"TRIM", 1, 0}, {119, u"REPLACE", 4, 0},
    {120, u"SUBSTITUTE", 0, 0}, {121, u"CODE", 1, 0}, {122, u"NAMES", 0, 0}, {123, u"DIRECTORY", 0, 0},
    {124, u"FIND", 0, 0}, {125, u"CELL", 0, 0x2}, {126, u"ISERR", 1, 0}, {127, u"ISTEXT", 1, 0},
    {128, u"ISNUMBER", 1, 0}, {129, u"ISBLANK", 1, 0}, {130, u"T", 1, 0x1}, {131, u"N", 1, 0x1},
    {132, u"FOPEN", 0, 0}, {133, u"FCLOSE", 1, 0}, {134, u"FSIZE", 1, 0}, {135, u"FREADLN", 1, 0},
    {136, u"FREAD", 2, 0}, {137, u"FWRITELN", 2, 0}, {138, u"FWRITE", 2, 0}, {139, u"FPOS", 0, 0},
    {140, u"DATEVALUE", 1, 0}, {141, u"TIMEVALUE", 1, 0}, {142, u"SLN", 3, 0}, {143, u"SYD", 4, 0},
    {144, u"DDB", 0, 0}, {145, u"GET.DEF", 0, 0}, {146, u"REFTEXT", 0, 0x1}, {147, u"TEXTREF", 0, 0},
    {148, u"INDIRECT", 0, 0}, {149, u"REGISTER", 0, 0}, {150, u"CALL", 0, 0x3FFFFFFE}, {151, u"ADD.BAR", 0, 0},
    {152, u"ADD.MENU", 0, 0x6}, {153, u"ADD.COMMAND", 0, 0xE}, {154, u"ENABLE.COMMAND", 0, 0},
    {155, u"CHECK.COMMAND", 0, 0}, {156, u"RENAME.COMMAND", 0, 0}, {157, u"SHOW.BAR", 0, 0},
    {158, u"DELETE.MENU", 0, 0}, {159, u"DELETE.COMMAND", 0, 0}, {160, u"GET.CHART.ITEM", 0, 0},
    {161, u"DIALOG.BOX", 1, 0x1}, {162, u"CLEAN", 1, 0}, {163, u"MDETERM", 1, 0}, {164, u"MINVERSE", 1, 0},
    {165, u"MMULT", 1, 0}, {166, u"FILES", 0, 0}, {167, u"IPMT", 0, 0}, {168, u"PPMT", 0, 0},
    {169, u"COUNTA", 0, 0x3FFFFFFF}, {170, u"CANCEL.KEY", 0, 0x2}, {171, u"FOR", 0, 0}, {172, u"WHILE", 1, 0},
    {173, u"BREAK", 0, 0}, {174, u"NEXT", 0, 0}, {175, u"INITIATE", 2, 0}, {176, u"REQUEST", 2, 0},
    {177, u"POKE", 3, 0x6}, {178, u"EXECUTE", 2, 0}, {179, u"TERMINATE", 1, 0}, {180, u"RESTART", 0, 0},
    {181, u"HELP", 0, 0}, {182, u"GET.BAR", 0, 0}, {183, u"PRODUCT", 0, 0x3FFFFFFF}, {184, u"FACT", 1, 0},
    {185, u"GET.CELL", 0, 0x2}, {186, u"GET.WORKSPACE", 1, 0}, {187, u"GET.WINDOW", 0, 0},
    {188, u"GET.DOCUMENT", 0, 0}, {189, u"DPRODUCT", 3, 0x7}, {190, u"ISNONTEXT", 1, 0},
    {191, u"GET.NOTE", 0, 0x1}, {192, u"NOTE", 0, 0xE}, {193, u"STDEVP", 0, 0x3FFFFFFF},
    {194, u"VARP", 0, 0x3FFFFFFF}, {195, u"DSTDEVP", 3, 0x7}, {196, u"DVARP", 3, 0x7}, {197, u"TRUNC", 0, 0},
    {198, u"ISLOGICAL", 1, 0}, {199, u"DCOUNTA", 3, 0x7}, {200, u"DELETE.BAR", 1, 0},
    {201, u"UNREGISTER", 1, 0}, {204, u"USDOLLAR", 0, 0}, {205, u"FINDB", 0, 0}, {206, u"SEARCHB", 0, 0},
    {207, u"REPLACEB", 4, 0}, {208, u"LEFTB", 0, 0}, {209, u"RIGHTB", 0, 0}, {210, u"MIDB", 3, 0},
    {211, u"LENB", 1, 0}, {212, u"ROUNDUP", 2, 0}, {213, u"ROUNDDOWN", 2, 0}, {214, u"ASC", 1, 0},
    {215, u"DBCS", 1, 0}, {216, u"RANK", 0, 0x2}, {219, u"ADDRESS", 0, 0}, {220, u"DAYS360", 0, 0},
    {221, u"TODAY", 0, 0}, {222, u"VDB", 0, 0}, {223, u"ELSE", 0, 0}, {224, u"ELSE.IF", 1, 0},
    {225, u"END.IF", 0, 0}, {226, u"FOR.CELL", 0, 0x6}, {227, u"MEDIAN", 0, 0x3FFFFFFF},
    {228, u"SUMPRODUCT", 0, 0}, {229, u"SINH", 1, 0}, {230, u"COSH", 1, 0}, {231, u"TANH", 1, 0},
    {232, u"ASINH", 1, 0}, {233, u"ACOSH", 1, 0}, {234, u"ATANH", 1, 0}, {235, u"DGET", 3, 0x7},
    {236, u"CREATE.OBJECT", 0, 0x7FE}, {237, u"VOLATILE", 0, 0}, {238, u"LAST.ERROR", 0, 0},
    {239, u"CUSTOM.UNDO", 0, 0}, {240, u"CUSTOM.REPEAT", 0, 0}, {241, u"FORMULA.CONVERT", 0, 0x1E},
    {242, u"GET.LINK.INFO", 0, 0}, {243, u"TEXT.BOX", 0, 0}, {244, u"INFO", 1, 0}, {245, u"GROUP", 0, 0},
    {246, u"GET.OBJECT", 0, 0}, {247, u"DB", 0, 0}, {248, u"PAUSE", 0, 0}, {251, u"RESUME", 0, 0},
    {252, u"FREQUENCY", 2, 0x3}, {253, u"ADD.TOOLBAR", 0, 0}, {254, u"DELETE.TOOLBAR", 1, 0},
    {256, u"RESET.TOOLBAR", 1, 0}, {257, u"EVALUATE", 1, 0}, {258, u"GET.TOOLBAR", 0, 0},
    {259, u"GET.TOOL", 0, 0}, {260, u"SPELLING.CHECK", 0, 0}, {261, u"ERROR.TYPE", 1, 0},
    {262, u"APP.TITLE", 0, 0}, {263, u"WINDOW.TITLE", 0, 0}, {264, u"SAVE.TOOLBAR", 0, 0},
    {265, u"ENABLE.TOOL", 3, 0}, {266, u"PRESS.TOOL", 3, 0}, {267, u"REGISTER.ID", 0, 0},
    {268, u"GET.WORKBOOK", 0, 0}, {269, u"AVEDEV", 0, 0x3FFFFFFF}, {270, u"BETADIST", 0, 0},
    {271, u"GAMMALN", 1, 0}, {272, u"BETAINV", 0, 0}, {273, u"BINOMDIST", 4, 0}, {274, u"CHIDIST", 2, 0},
    {275, u"CHIINV", 2, 0}, {276, u"COMBIN", 2, 0}, {277, u"CONFIDENCE", 3, 0}, {278, u"CRITBINOM", 3, 0},
    {279, u"EVEN", 1, 0}, {280, u"EXPONDIST", 3, 0}, {281, u"FDIST", 3, 0}, {282, u"FINV", 3, 0},
    {283, u"FISHER", 1, 0}, {284, u"FISHERINV", 1, 0}, {285, u"FLOOR", 2, 0}, {286, u"GAMMADIST", 4, 0},
    {287, u"GAMMAINV", 3, 0}, {288, u"CEILING", 2, 0}, {289, u"HYPGEOMDIST", 4, 0}, {290, u"LOGNORMDIST", 3, 0},
    {291, u"LOGINV", 3, 0}, {292, u"NEGBINOMDIST", 3, 0}, {293, u"NORMDIST", 4, 0}, {294, u"NORMSDIST", 1, 0},
    {295, u"NORMINV", 3, 0}, {296, u"NORMSINV", 1, 0}, {297, u"STANDARDIZE", 3, 0}, {298, u"ODD", 1, 0},
    {299, u"PERMUT", 2, 0}, {300, u"POISSON", 3, 0}, {301, u"TDIST", 3, 0}, {302, u"WEIBULL", 4, 0},
    {303, u"SUMXMY2", 2, 0}, {304, u"SUMX2MY2", 2, 0}, {305, u"SUMX2PY2", 2, 0}, {306, u"CHITEST", 2, 0},
    {307, u"CORREL", 2, 0}, {308, u"COVAR", 2, 0}, {309, u"FORECAST", 3, 0}, {310, u"FTEST", 2, 0},
    {311, u"INTERCEPT", 2, 0}, {312, u"PEARSON", 2, 0}, {313, u"RSQ", 2, 0}, {314, u"STEYX", 2, 0},
    {315, u"SLOPE", 2, 0}, {316, u"TTEST", 4, 0}, {317, u"PROB", 0, 0}, {318, u"DEVSQ", 0, 0x3FFFFFFF},
    {319, u"GEOMEAN", 0, 0x3FFFFFFF}, {320, u"HARMEAN", 0, 0x3FFFFFFF}, {321, u"SUMSQ", 0, 0x3FFFFFFF},
    {322, u"KURT", 0, 0x3FFFFFFF}, {323, u"SKEW", 0, 0x3FFFFFFF}, {324, u"ZTEST", 0, 0x1},
    {325, u"LARGE", 2, 0x1}, {326, u"SMALL", 2, 0x1}, {327, u"QUARTILE", 2, 0x1}, {328, u"PERCENTILE", 2, 0x1},
    {329, u"PERCENTRANK", 0, 0x1}, {330, u"MODE", 0, 0}, {331, u"TRIMMEAN", 2, 0x1}, {332, u"TINV", 2, 0},
    {334, u"MOVIE.COMMAND", 0, 0}, {335, u"GET.MOVIE", 0, 0}, {336, u"CONCATENATE", 0, 0},
    {337, u"POWER", 2, 0}, {338, u"PIVOT.ADD.DATA", 0, 0}, {339, u"GET.PIVOT.TABLE", 0, 0},
    {340, u"GET.PIVOT.FIELD", 0, 0}, {341, u"GET.PIVOT.ITEM", 0, 0}, {342, u"RADIANS", 1, 0},
    {343, u"DEGREES", 1, 0}, {344, u"SUBTOTAL", 0, 0x3FFFFFFE}, {345, u"SUMIF", 0, 0x5},
    {346, u"COUNTIF", 2, 0x1}, {347, u"COUNTBLANK", 1, 0x1}, {348, u"SCENARIO.GET", 0, 0},
    {349, u"OPTIONS.LISTS.GET", 1, 0}, {350, u"ISPMT", 4, 0}, {351, u"DATEDIF", 3, 0},
    {352, u"DATESTRING", 1, 0}, {353, u"NUMBERSTRING", 2, 0}, {354, u"ROMAN", 0, 0},
    {355, u"OPEN.DIALOG", 0, 0}, {356, u"SAVE.DIALOG", 0, 0}, {357, u"VIEW.GET", 0, 0},
    {358, u"GETPIVOTDATA", 0, 0x3}, {359, u"HYPERLINK", 0, 0}, {360, u"PHONETIC", 1, 0x1},
    {361, u"AVERAGEA", 0, 0x3FFFFFFF}, {362, u"MAXA", 0, 0x3FFFFFFF}, {363, u"MINA", 0, 0x3FFFFFFF},
    {364, u"STDEVPA", 0, 0x3FFFFFFF}, {365, u"VARPA", 0, 0x3FFFFFFF}, {366, u"STDEVA", 0, 0x3FFFFFFF},
    {367, u"VARA", 0, 0x3FFFFFFF}, {368, u"BAHTTEXT", 1, 0}, {369, u"THAIDAYOFWEEK", 1, 0},
    {370, u"THAIDIGIT", 1, 0}, {371, u"THAIMONTHOFYEAR", 1, 0}, {372, u"THAINUMSOUND", 1, 0},
    {373, u"THAINUMSTRING", 1, 0}, {374, u"THAISTRINGLENGTH", 1, 0}, {375, u"ISTHAIDIGIT", 1, 0},
    {376, u"ROUNDBAHTDOWN", 1, 0}, {377, u"ROUNDBAHTUP", 1, 0}, {378, u"THAIYEAR", 1, 0}, {379, u"RTD", 0, 0},
};

constexpr bool numbersFitSlots() {
    for (const FunctionEntry& f : kFunctions)
        if (f.number >= FunctionTable::kNumberSlots) return false;
    return true;
}
static_assert(numbersFitSlots(), "the number index would overflow");

} // namespace

FunctionTable::FunctionTable() {
    for (const FunctionEntry& f : kFunctions) {
        byName_.emplace(f.name, &f);
        byNumber_[f.number] = &f;
    }
}

FunctionTable::NumberAndMask FunctionTable::findWithMask(std::u16string_view name) const {
    auto it = byName_.find(name);
    if (it == byName_.end()) return {};
    return {it->second->number, it->second->refMask};
}

FunctionTable::NameAndCount FunctionTable::findByNumber(std::uint32_t number) const {
    if (number >= kNumberSlots || byNumber_[number] == nullptr) return {};
    return {byNumber_[number]->name, byNumber_[number]->fixedArgs};
}

std::span<const FunctionEntry> FunctionTable::entries() { return kFunctions; }

} // namespace karvo
