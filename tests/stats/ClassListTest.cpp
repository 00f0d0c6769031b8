// The class list: every statistic class at its position, with the names, flags, group and
// parameter range it is offered with, and the families that give the classes.
#include <gtest/gtest.h>

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "TestDraws.h"
#include "stats/StatFamilies.h"
#include "stats/StatList.h"

namespace kivra {
namespace {

struct TClassRow {
  int No;
  std::string_view ClassName, Code, HelpCode, Flags;
  int Group;
  bool Numeric;
  std::pair<int32_t, int32_t> Range;  // in the default configuration; 0, 0 without a parameter
  std::string_view Caption;           // the template, "%d" or "%0:d" standing for the parameter
};

constexpr std::pair<int32_t, int32_t> NoParam{0, 0};

// In family order (as the families give them), then by position within a family.
const TClassRow ClassRows[] = {
    // Numbers
    {1, "TstValues", "NUMS", "NUMS", "N", 0, true, NoParam, "Числа тиража"},
    {2, "TstDigits", "DIGS", "DIGS", "N", 0, true, NoParam, "Цифры тиража"},
    {3, "TstEvenCount", "EVEN", "EVEN", "NG", 0, true, NoParam, "Количество четных чисел в тираже (Ч:Н)"},
    {4, "TstEvenValues", "EVNV", "EVNV", "SN", 0, true, NoParam, "Четные и нечетные числа в тираже (Чн..нЧ)"},
    {5, "TstSmallCount", "SMAL", "SMAL", "NG", 0, true, NoParam,
     "Количество чисел из первой половины диапазона (1П:2П)"},
    {6, "TstSmallValues", "SMLV", "SMLV", "SN", 0, true, NoParam, "Числа из первой половины диапазона (12..12)"},
    {7, "TstPrimeCount", "PRIM", "PRIM", "NG", 0, true, NoParam, "Количество простых чисел (П:С)"},
    {8, "TstPrimeValues", "PRMV", "PRMV", "SN", 0, true, NoParam, "Простые и составные числа (ПС..СП)"},
    {102, "TstPosVal", "POS%d", "POSx", "SNG", 0, true, {1, 5}, "Число в %0:d позиции тиража"},
    {103, "TstPosExt", "POE%d", "POSx", "G", 0, true, {1, 0}, "Extra (Bonus, Star...) - число (!без фильтра!)"},
    // Sums
    {9, "TstSumValues", "SUMS", "SUMS", "NG", 1, true, NoParam, "Сумма тиража: все значения"},
    {10, "TstSumRanges", "SUM%d", "SUM%d", "NG", 1, false, {1, 3}, "Сумма тиража: диапазон %d (%d/%d)"},
    {11, "TstSumChange", "SUMC", "SUMC", "DG", 1, false, NoParam, "Сумма тиража: изменения (точно)"},
    {12, "TstSumChangeSome", "SUMV", "SUMV", "D", 1, false, NoParam, "Сумма тиража: изменения (диапазон)"},
    {13, "TstSumTrend", "SUMT", "SUMT", "DG", 1, false, NoParam, "Сумма тиража: направление изменения"},
    {14, "TstSumEvenValues", "SUME", "SUME", "NG", 1, true, NoParam, "Сумма тиража: только четные"},
    {15, "TstSumPrimeValues", "SUMP", "SUMP", "NG", 1, true, NoParam, "Сумма тиража: только простые"},
    {16, "TstSum2To3", "S2T3", "S2T3", "NG", 1, true, NoParam, "Сумма двух чисел тиража равна третьему числу"},
    // Differences
    {17, "TstDiffTotal", "DIFA", "DIFA", "SN", 2, true, NoParam, "Все разности между соседними позициями"},
    {18, "TstDiffMax", "DIFM", "DIFM", "SNG", 2, true, NoParam, "Максимальная разность между соседними позициями"},
    {19, "TstMinMaxDiffs", "DIFD", "DIFD", "NG", 2, true, NoParam, "Разность между минимальным и максимальным числом"},
    {20, "TstDiffSame", "DIFO", "DIFO", "SN", 2, true, NoParam, "Одинаковые разности между соседними позициями"},
    {21, "TstDiffSameCnt", "DIFK", "DIFK", "SNG", 2, true, NoParam,
     "Количество одинаковых разностей между соседними позициями"},
    {75, "TstCombDiffSeq2", "KDS2", "KDS2", "S", 2, false, NoParam, "Сочетания из 2 разностей между числами"},
    {76, "TstCombDiffSeq3", "KDS3", "KDS3", "S", 2, false, NoParam, "Сочетания из 3 разностей между числами"},
    {77, "TstCombDiffSeq4", "KDS4", "KDS4", "S", 2, false, NoParam, "Сочетания из 4 разностей между числами"},
    // Channels
    {22, "TstChannels", "CHAN", "CHAN", "N", 3, true, NoParam, "Каналы"},
    {23, "TstChanValues", "CHNV", "CHNV", "N", 3, false, NoParam, "Количество чисел в канале"},
    {24, "TstChanCount", "CHNC", "CHNC", "NG", 3, true, NoParam, "Количество каналов в тираже"},
    {78, "TstCombChnMix2", "KCM2", "KCM2", "S", 3, false, NoParam, "Сочетания из 2 каналов по всем числам тиража"},
    {79, "TstCombChnMix3", "KCM3", "KCM3", "S", 3, false, NoParam, "Сочетания из 3 каналов по всем числам тиража"},
    {80, "TstCombChnMix4", "KCM4", "KCM4", "S", 3, false, NoParam, "Сочетания из 4 каналов по всем числам тиража"},
    {81, "TstCombChnSeq2", "KCS2", "KCS2", "S", 3, false, NoParam, "Сочетания из 2 каналов по соседним числам"},
    {82, "TstCombChnSeq3", "KCS3", "KCS3", "S", 3, false, NoParam, "Сочетания из 3 каналов по соседним числам"},
    {83, "TstCombChnSeq4", "KCS4", "KCS4", "S", 3, false, NoParam, "Сочетания из 4 каналов по соседним числам"},
    {104, "TstChnValCnt", "CHN%d", "CHNx", "NG", 3, true, {1, 9}, "Количество чисел в %0:d канале"},
    // Matrix
    {25, "TstColumns", "COLS", "COLS", "N", 4, true, NoParam, "Столбцы матрицы (не пустые)"},
    {26, "TstRows", "ROWS", "ROWS", "N", 4, true, NoParam, "Строки матрицы (не пустые)"},
    {27, "TstColValues", "COLV", "COLV", "N", 4, false, NoParam, "Количество чисел в столбце матрицы"},
    {28, "TstRowValues", "ROWV", "ROWV", "N", 4, false, NoParam, "Количество чисел в строке матрицы"},
    {29, "TstColCount", "COLN", "COLN", "NG", 4, true, NoParam, "Количество не пустых столбцов в матрице"},
    {30, "TstRowCount", "ROWN", "ROWN", "NG", 4, true, NoParam, "Количество не пустых строк в матрице"},
    {31, "TstColMask", "COLM", "COLM", "N", 4, true, NoParam, "Сочетания столбцов матрицы"},
    {32, "TstRowMask", "ROWM", "ROWM", "N", 4, true, NoParam, "Сочетания строк матрицы"},
    {33, "TstColAjacent", "COLA", "COLA", "N", 4, true, NoParam, "Столбцы матрицы со смежными числами"},
    {34, "TstRowAjacent", "ROWA", "ROWA", "N", 4, true, NoParam, "Строки матрицы со смежными числами"},
    {35, "TstColAjacentCnt", "COLC", "COLC", "NG", 4, true, NoParam, "Количество столбцов матрицы со смежными числами"},
    {36, "TstRowAjacentCnt", "ROWC", "ROWC", "NG", 4, true, NoParam, "Количество строк матрицы со смежными числами"},
    {84, "TstCombColMix2", "KFM2", "KFM2", "S", 4, false, NoParam, "Сочетания из 2 столбцов по всем числам тиража"},
    {85, "TstCombColMix3", "KFM3", "KFM3", "S", 4, false, NoParam, "Сочетания из 3 столбцов по всем числам тиража"},
    {86, "TstCombColMix4", "KFM4", "KFM4", "S", 4, false, NoParam, "Сочетания из 4 столбцов по всем числам тиража"},
    {87, "TstCombColSeq2", "KFS2", "KFS2", "S", 4, false, NoParam, "Сочетания из 2 столбцов по соседним числам"},
    {88, "TstCombColSeq3", "KFS3", "KFS3", "S", 4, false, NoParam, "Сочетания из 3 столбцов по соседним числам"},
    {89, "TstCombColSeq4", "KFS4", "KFS4", "S", 4, false, NoParam, "Сочетания из 4 столбцов по соседним числам"},
    {90, "TstCombRowMix2", "KRM2", "KRM2", "S", 4, false, NoParam, "Сочетания из 2 строк по всем числам тиража"},
    {91, "TstCombRowMix3", "KRM3", "KRM3", "S", 4, false, NoParam, "Сочетания из 3 строк по всем числам тиража"},
    {92, "TstCombRowMix4", "KRM4", "KRM4", "S", 4, false, NoParam, "Сочетания из 4 строк по всем числам тиража"},
    {93, "TstCombRowSeq2", "KRS2", "KRS2", "S", 4, false, NoParam, "Сочетания из 2 строк по соседним числам"},
    {94, "TstCombRowSeq3", "KRS3", "KRS3", "S", 4, false, NoParam, "Сочетания из 3 строк по соседним числам"},
    {95, "TstCombRowSeq4", "KRS4", "KRS4", "S", 4, false, NoParam, "Сочетания из 4 строк по соседним числам"},
    {105, "TstColValCnt", "COL%d", "COLx", "NG", 4, true, {1, 5}, "Количество чисел в %0:d столбце матрицы"},
    {106, "TstRowValCnt", "ROW%d", "ROWx", "NG", 4, true, {1, 9}, "Количество чисел в %0:d строке матрицы"},
    // Segments
    {37, "TstSegments", "SGMS", "SGMS", "N", 5, true, NoParam, "Сегменты матрицы"},
    {38, "TstSegmValues", "SGMV", "SGMV", "N", 5, false, NoParam, "Количество чисел в сегменте матрицы"},
    {39, "TstSegmCount", "SGMC", "SGMC", "NG", 5, true, NoParam, "Количество не пустых сегментов в матрице"},
    {96, "TstCombSegmMix2", "KGM2", "KGM2", "S", 5, false, NoParam, "Сочетания из 2 сегментов по всем числам тиража"},
    {97, "TstCombSegmMix3", "KGM3", "KGM3", "S", 5, false, NoParam, "Сочетания из 3 сегментов по всем числам тиража"},
    {98, "TstCombSegmMix4", "KGM4", "KGM4", "S", 5, false, NoParam, "Сочетания из 4 сегментов по всем числам тиража"},
    {99, "TstCombSegmSeq2", "KGS2", "KGS2", "S", 5, false, NoParam, "Сочетания из 2 сегментов по соседним числам"},
    {100, "TstCombSegmSeq3", "KGS3", "KGS3", "S", 5, false, NoParam, "Сочетания из 3 сегментов по соседним числам"},
    {101, "TstCombSegmSeq4", "KGS4", "KGS4", "S", 5, false, NoParam, "Сочетания из 4 сегментов по соседним числам"},
    {107, "TstSgmValCnt", "SGM%d", "SGMx", "NG", 5, true, {1, 1}, "Количество чисел в %0:d сегменте матрицы"},
    // Sequences
    {40, "TstSequenceLen", "SEQL", "SEQL", "SN", 6, true, NoParam, "Длина последовательности в тираже"},
    {41, "TstSequenceCnt", "SEQS", "SEQS", "SNG", 6, true, NoParam, "Количество последовательностей в тираже"},
    {42, "TstSequenceLenMax", "LENS", "LENS", "SNG", 6, true, NoParam, "Макс. длина последовательности в тираже"},
    // Repeats
    {43, "TstRepValues2", "RPV2", "RPV2", "D", 7, true, NoParam, "Повторяющиеся числа в 2-х тиражах подряд"},
    {44, "TstRepValues3", "RPV3", "RPV3", "D", 7, true, NoParam, "Повторяющиеся числа в 3-х тиражах подряд"},
    {45, "TstRepValues2B3", "PRL2", "PRL2", "D", 7, true, NoParam, "Повторяющиеся числа не более чем в 2-х тиражах"},
    {46, "TstRepValues2over1", "PRV2O1", "PRV2O1", "D", 7, true, NoParam,
     "Повторяющиеся числа в 2-х тиражах через 1 тираж(а)"},
    {47, "TstRepValues2over2", "PRV2O2", "PRV2O2", "D", 7, true, NoParam,
     "Повторяющиеся числа в 2-х тиражах через 2 тираж(а)"},
    {48, "TstRepValues2over3", "PRV2O3", "PRV2O3", "D", 7, true, NoParam,
     "Повторяющиеся числа в 2-х тиражах через 3 тираж(а)"},
    {49, "TstRepValues2P1", "PRV+1", "PRV+1", "D", 7, true, NoParam, "Данные предыдущего тиража + 1"},
    {50, "TstRepValues2N1", "PRV-1", "PRV-1", "D", 7, true, NoParam, "Данные предыдущего тиража - 1"},
    {51, "TstRepValues2P2", "PRV+2", "PRV+2", "D", 7, true, NoParam, "Данные предыдущего тиража + 2"},
    {52, "TstRepValues2N2", "PRV-2", "PRV-2", "D", 7, true, NoParam, "Данные предыдущего тиража - 2"},
    {53, "TstRepCount2", "RPC2", "RPC2", "D", 7, true, NoParam, "Количество повторов в 2-х тиражах подряд"},
    {54, "TstRepCount3", "RPC3", "RPC3", "D", 7, true, NoParam, "Количество повторов в 3-х тиражах подряд"},
    {55, "TstRepCount2B3", "PRB2", "PRB2", "D", 7, true, NoParam, "Количество повторов не более чем в 2-х тиражах"},
    {56, "TstRepCount2over1", "RPO1", "RPO1", "D", 7, true, NoParam,
     "Количество повторов в 2-х тиражах через 1 тираж(а)"},
    {57, "TstRepCount2over2", "PRC2O2", "PRC2O2", "D", 7, true, NoParam,
     "Количество повторов в 2-х тиражах через 2 тираж(а)"},
    {58, "TstRepCount2over3", "PRC2O3", "PRC2O3", "D", 7, true, NoParam,
     "Количество повторов в 2-х тиражах через 3 тираж(а)"},
    {59, "TstRepCount2P1", "PRC+1", "PRC+1", "D", 7, true, NoParam, "Количество совпадений \"значений + 1\""},
    {60, "TstRepCount2N1", "PRC-1", "PRC-1", "D", 7, true, NoParam, "Количество совпадений \"значений - 1\""},
    {61, "TstRepCount2P2", "PRC+2", "PRC+2", "D", 7, true, NoParam, "Количество совпадений \"значений + 2\""},
    {62, "TstRepCount2N2", "PRC-2", "PRC-2", "D", 7, true, NoParam, "Количество совпадений \"значений - 2\""},
    // Sub-combinations of numbers
    {63, "TstCombValMix2", "KNM2", "KNM2", "S", 0, false, NoParam, "Сочетания из 2 чисел по всем числам тиража"},
    {64, "TstCombValMix3", "KNM3", "KNM3", "S", 0, false, NoParam, "Сочетания из 3 чисел по всем числам тиража"},
    {65, "TstCombValMix4", "KNM4", "KNM4", "S", 0, false, NoParam, "Сочетания из 4 чисел по всем числам тиража"},
    {66, "TstCombValSeq2", "KNS2", "KNS2", "S", 0, false, NoParam, "Сочетания из 2 соседних чисел тиража"},
    {67, "TstCombValSeq3", "KNS3", "KNS3", "S", 0, false, NoParam, "Сочетания из 3 соседних чисел тиража"},
    {68, "TstCombValSeq4", "KNS4", "KNS4", "S", 0, false, NoParam, "Сочетания из 4 соседних чисел тиража"},
    {69,
     "TstCombValPos2",
     "KNP2%d",
     "KNP2",
     "S",
     0,
     false,
     {1, 4},
     "Сочетания из 2-х чисел тиража начиная с %0:d позиции"},
    {70,
     "TstCombValPos3",
     "KNP3%d",
     "KNP3",
     "S",
     0,
     false,
     {1, 3},
     "Сочетания из 3-х чисел тиража начиная с %0:d позиции"},
    {71,
     "TstCombValPos4",
     "KNP4%d",
     "KNP4",
     "S",
     0,
     false,
     {1, 2},
     "Сочетания из 4-х чисел тиража начиная с %0:d позиции"},
    {72, "TstCombValSort2", "KNO2", "KNO2", "", 0, false, NoParam, "Сочетания из 2 чисел тиража по возрастанию"},
    {73, "TstCombValSort3", "KNO3", "KNO3", "", 0, false, NoParam, "Сочетания из 3 чисел тиража по возрастанию"},
    {74, "TstCombValSort4", "KNO4", "KNO4", "", 0, false, NoParam, "Сочетания из 4 чисел тиража по возрастанию"},
    // Runs and periods
    {108, "TstNumGroups", "GRPV", "GRPV", "D", 8, false, NoParam, "Повторы чисел в нескольких тиражах подряд"},
    {109, "TstNumPauses", "GRPP", "GRPP", "D", 8, false, NoParam, "Интервалы между повторениями чисел"},
    {110, "TstChnGroups", "GRCV", "GRCV", "D", 8, false, NoParam, "Повторы каналов в нескольких тиражах подряд"},
    {111, "TstChnPauses", "GRCP", "GRCP", "D", 8, false, NoParam, "Интервалы между повторениями каналов"},
    {112, "TstSgmGroups", "GRSV", "GRSV", "D", 8, false, NoParam, "Повторы сегментов в нескольких тиражах подряд"},
    {113, "TstSgmPauses", "GRSP", "GRSP", "D", 8, false, NoParam, "Интервалы между повторениями сегментов"},
    {114, "TstNumPeriods", "PRDV", "PRDV", "P", 9, false, NoParam, "Периоды повторения чисел"},
    {115, "TstChnPeriods", "PRDC", "PRDC", "P", 9, false, NoParam, "Периоды повторения каналов"},
    {116, "TstSgmPeriods", "PRDG", "PRDG", "P", 9, false, NoParam, "Периоды повторения сегментов"},
    // Transitions
    {117, "TstChain2DrawsAll", "SDV2", "SDV2", "D", 10, false, NoParam,
     "Переходы чисел между 2 тиражами без учета позиции"},
    {118, "TstChain2DrawsPos", "SDP2", "SDP2", "SD", 10, false, NoParam,
     "Переходы чисел между 2 тиражами с учетом позиции"},
    {119, "TstChain2Pos", "SDN%d", "SDNx", "SD", 10, false, {1, 5}, "Переходы чисел между 2 тиражами в %d позиции"},
    {120, "TstChain3DrawsPos", "SDP3", "SDP3", "SD", 10, false, NoParam,
     "Переходы чисел между 3 тиражами с учетом позиции"},
    {121, "TstChain3Pos", "SDM%d", "SDMx", "SD", 10, false, {1, 5}, "Переходы чисел между 3 тиражами в %d позиции"},
    {122, "TstChain2ChannelsAll", "SCV2", "SCV2", "D", 10, false, NoParam,
     "Переходы каналов между 2 тиражами без учета позиции"},
    {123, "TstChain2ChannelsPos", "SCP2", "SCP2", "SD", 10, false, NoParam,
     "Переходы каналов между 2 тиражами с учетом позиции"},
    {124,
     "TstChain2Channel",
     "SCN%d",
     "SCNx",
     "SD",
     10,
     false,
     {1, 5},
     "Переходы каналов между 2 тиражами в %d позиции"},
    {125, "TstChain3ChannelsPos", "SCP3", "SCP3", "SD", 10, false, NoParam,
     "Переходы каналов между 3 тиражами с учетом позиции"},
    {126,
     "TstChain3Channel",
     "SCM%d",
     "SCMx",
     "SD",
     10,
     false,
     {1, 5},
     "Переходы каналов между 3 тиражами в %d позиции"},
    {127,
     "TstChain2CnlCnt",
     "SC2C%d",
     "SC2Cx",
     "D",
     10,
     false,
     {1, 9},
     "Переходы кол-ва чисел в %d канале между 2 тиражами"},
    {128,
     "TstChain3CnlCnt",
     "SC3C%d",
     "SC3Cx",
     "D",
     10,
     false,
     {1, 9},
     "Переходы кол-ва чисел в %d канале между 3 тиражами"},
    {129, "TstChainChannels2InsideAll", "SDA2", "SDA2", "D", 10, false, NoParam,
     "Переходы чисел в пределах каналов (все)"},
    {130, "TstChainChannels2InsideSuc", "SDG2", "SDG2", "D", 10, false, NoParam,
     "Переходы чисел в пределах каналов (N-M, удачные)"},
    {131, "TstChainChannels2InsideBad", "SDZ2", "SDZ2", "D", 10, false, NoParam,
     "Переходы чисел в пределах каналов (N-0, не удачные)"},
    {132, "TstChainChannels2InsideCnt", "SDC2", "SDC2", "D", 10, false, NoParam,
     "Переходы чисел в пределах каналов (количество)"},
    {133, "TstChain2SegmentsAll", "SSV2", "SSV2", "D", 10, false, NoParam,
     "Переходы сегментов между 2 тиражами без учета позиции"},
    {134, "TstChain2SegmentsPos", "SSP2", "SSP2", "SD", 10, false, NoParam,
     "Переходы сегментов между 2 тиражами с учетом позиции"},
    {135,
     "TstChain2Segment",
     "SSN%d",
     "SSNx",
     "SD",
     10,
     false,
     {1, 5},
     "Переходы сегментов между 2 тиражами в %d позиции"},
    {136, "TstChain3SegmentsPos", "SSP3", "SSP3", "SD", 10, false, NoParam,
     "Переходы сегментов между 3 тиражами с учетом позиции"},
    {137,
     "TstChain3Segment",
     "SSM%d",
     "SSMx",
     "SD",
     10,
     false,
     {1, 5},
     "Переходы сегментов между 3 тиражами в %d позиции"},
    {138,
     "TstChain2SgmCnt",
     "SS2C%d",
     "SS2Cx",
     "D",
     10,
     false,
     {1, 1},
     "Переходы кол-ва чисел в %d сегменте между 2 тиражами"},
    {139,
     "TstChain3SgmCnt",
     "SS3C%d",
     "SS3Cx",
     "D",
     10,
     false,
     {1, 1},
     "Переходы кол-ва чисел в %d сегменте между 3 тиражами"},
    // Tesmar numbers
    {140, "TstTesmar1", "HCT1", "HCT1", "SNG", 11, true, NoParam, "Число Тесмара 1 (только разность)"},
    {141, "TstTesmar2", "HCT2", "HCT2", "SNG", 11, true, NoParam, "Число Тесмара 2 (разность + сложение, если {0,1})"},
    {142, "TstTesmar3", "HCT3", "HCT3", "SD", 11, false, NoParam, "Числа Тесмара 3 (динамический, только фильтр)"},
    // Shredding
    {143, "TstShreddingStat", "SHR%d", "SHRx", "SNG", 12, true, {1, 3}, "Метод шинковки %0:d: %%s"},
};

// Every class is offered but the ascending sub-combinations (72..74), which stay in the class list.
bool Offered(int no) { return no < 72 || no > 74; }

// The entries of every family, one family after the other.
std::vector<TStatListEntry> FamilyOrder() {
  using TFamily = std::span<const TStatListEntry> (*)();
  const TFamily families[] = {NumberStatClasses,    SumStatClasses,     DiffStatClasses,     ChannelStatClasses,
                              MatrixStatClasses,    SegmentStatClasses, SequenceStatClasses, RepeatStatClasses,
                              CombValueStatClasses, SerialStatClasses,  ChainStatClasses,    TesmarStatClasses,
                              ShreddingStatClasses};
  std::vector<TStatListEntry> all;
  for (TFamily family : families)
    for (const TStatListEntry& e : family()) all.push_back(e);
  return all;
}

TEST(ClassList, EveryClassAtItsPosition) {
  TDrawsArray draws = {test::MakeDraw(20, {30, 4, 17, 9, 41}), test::MakeDraw(21, {1, 2, 3, 4, 5})};
  const TStatEnv env{&draws, {}, {}};
  TStatList list;
  list.SetDraws(&draws);
  list.Build();

  const std::vector<TStatListEntry> entries = FamilyOrder();
  ASSERT_EQ(entries.size(), std::size(ClassRows));
  ASSERT_EQ(std::size(ClassRows), static_cast<size_t>(StatClassListSize));
  EXPECT_EQ(StatClassList()[0], nullptr);
  for (size_t i = 0; i < entries.size(); ++i) {
    const TClassRow& row = ClassRows[i];
    const TStatClass& cls = *entries[i].Class;
    SCOPED_TRACE(testing::Message() << row.No << " " << row.ClassName);
    EXPECT_EQ(entries[i].No, row.No);
    EXPECT_EQ(StatClassList()[row.No], &cls);
    EXPECT_EQ(cls.ClassName(), row.ClassName);
    EXPECT_EQ(cls.GetCode(), row.Code);
    EXPECT_EQ(cls.GetHelpCode(), row.HelpCode);
    EXPECT_EQ(cls.GetCaption(), row.Caption);
    EXPECT_EQ(OptionLetters(cls.GetFlags()), row.Flags);
    EXPECT_EQ(cls.IsGraph(), row.Flags.find('G') != std::string_view::npos);
    EXPECT_EQ(cls.CanPrefetch(), row.Flags.find('N') != std::string_view::npos);
    EXPECT_EQ(cls.GetGroup(), row.Group);
    EXPECT_EQ(cls.IsNumeric(), row.Numeric);
    EXPECT_EQ(cls.HasParam(), row.Range != NoParam);
    EXPECT_EQ(cls.GetParamRange(env), row.Range);
    EXPECT_EQ(cls.IsAvailable(env), Offered(row.No));
    if (!cls.HasParam()) {
      // Without a parameter the code and the caption are used as they stand, whatever is passed.
      for (int32_t param : {0, 3}) {
        EXPECT_EQ(cls.CodeFor(param), row.Code);
        EXPECT_EQ(cls.CaptionFor(param), row.Caption);
      }
      // The list offers the class under its code, or not at all.
      const int index = list.FindCode(row.Code);
      if (Offered(row.No)) {
        ASSERT_GE(index, 0);
        EXPECT_EQ(list.Code(index), row.Code);
      } else {
        EXPECT_EQ(index, -1);
      }
    }
  }

  // Classes with a parameter: the code and the caption of one member.
  struct Case {
    const TStatClass* Class;
    int32_t Param;
    std::string_view Code, Caption;
  };
  const Case cases[] = {
      {&StatClassOf<TstPosVal>(), 3, "POS3", "Число в 3 позиции тиража"},
      {&StatClassOf<TstPosExt>(), 2, "POE2", "Extra (Bonus, Star...) - число (!без фильтра!)"},
      {&StatClassOf<TstChnValCnt>(), 3, "CHN3", "Количество чисел в 3 канале"},
      {&StatClassOf<TstRowValCnt>(), 7, "ROW7", "Количество чисел в 7 строке матрицы"},
      {&StatClassOf<TstSgmValCnt>(), 2, "SGM2", "Количество чисел в 2 сегменте матрицы"},
      {&StatClassOf<TstCombValPos3>(), 2, "KNP32", "Сочетания из 3-х чисел тиража начиная с 2 позиции"},
      {&StatClassOf<TstChain2Pos>(), 3, "SDN3", "Переходы чисел между 2 тиражами в 3 позиции"},
      {&StatClassOf<TstChain3Pos>(), 3, "SDM3", "Переходы чисел между 3 тиражами в 3 позиции"},
      {&StatClassOf<TstChain2Channel>(), 3, "SCN3", "Переходы каналов между 2 тиражами в 3 позиции"},
      {&StatClassOf<TstChain3Channel>(), 3, "SCM3", "Переходы каналов между 3 тиражами в 3 позиции"},
      {&StatClassOf<TstChain2CnlCnt>(), 3, "SC2C3", "Переходы кол-ва чисел в 3 канале между 2 тиражами"},
      {&StatClassOf<TstChain3CnlCnt>(), 3, "SC3C3", "Переходы кол-ва чисел в 3 канале между 3 тиражами"},
      {&StatClassOf<TstChain2Segment>(), 3, "SSN3", "Переходы сегментов между 2 тиражами в 3 позиции"},
      {&StatClassOf<TstChain3Segment>(), 3, "SSM3", "Переходы сегментов между 3 тиражами в 3 позиции"},
      {&StatClassOf<TstChain2SgmCnt>(), 3, "SS2C3", "Переходы кол-ва чисел в 3 сегменте между 2 тиражами"},
      {&StatClassOf<TstChain3SgmCnt>(), 3, "SS3C3", "Переходы кол-ва чисел в 3 сегменте между 3 тиражами"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Class->ClassName());
    EXPECT_EQ(c.Class->CodeFor(c.Param), c.Code);
    EXPECT_EQ(c.Class->CaptionFor(c.Param), c.Caption);
  }

  // As the list shows an entry: group tag, caption, flags.
  EXPECT_EQ(list.ListCaption(list.FindCode("LENS"), true), "{ seq } Макс. длина последовательности в тираже [ SNG ]");
  EXPECT_EQ(list.ListCaption(list.FindCode("PRC+1"), true), "{ rep } Количество совпадений \"значений + 1\" [ D ]");
}

}  // namespace
}  // namespace kivra
