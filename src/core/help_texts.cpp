#include "core/help_texts.h"

#include "core/option_list.h"

namespace pektra {

namespace {

// Each text holds n English lines followed by the n Russian lines that translate them line by
// line; a Russian line is left empty where the English text needs more lines.

const std::vector<std::string> kGeneral = {
    "   The purpose of PEKTRA is the processing of gamma- or X-ray",
    "spectra of semiconductor detectors: peak positions, areas, widths.",
    "",
    "   An analysis goes in five steps:",
    "1. energy and efficiency calibration (menu CALIBRATION);",
    "2. correction of the spectrum for blunders (FILE);",
    "3. peak model forming: a standard or a real peak model;",
    "4. marking: peak search and division into intervals (OPERATION);",
    "5. processing of the intervals by the least squares method.",
    "   All steps run in visual mode: spectra, fits and tables are shown",
    "on the screen for checking. A single spectrum or a series of",
    "spectra (DATA, Input_sp_file_names) can be analysed.",
    "",
    "   Data are input from the screen or from files; the results go to",
    "a visual table (INFO, Show Result Table) and to a result text file",
    "(FILE, Save the Fit Results). Numbers are in free field format,",
    "separated by blanks, commas or tabs; lines beginning with * are",
    "comments. Calibration data lines are:",
    "   energy:        ch   E   err     (channel, energy, error)",
    "   efficiency:    E    k   err     (energy, coefficient, error)",
    "where err may be left out.",
    "   Marking by an energy list: enter the energies of interest",
    "(DATA, Enter Marking Energies) and run OPERATION, Spectrum Marking",
    "by Energies; only the intervals of the listed peaks are fitted.",
    "   Marking data (DATA, Input Marking Data) has the format",
    " -ch1_1  p1_1  p2_1 ... -ch2_1",
    " -ch1_2  p1_2  p2_2 ... -ch2_2",
    "i.e. each interval as -left bound, peak channels, -right bound.",
    "   The init file pektra.ini presets the analysis at start. Commands",
    "are preceded by \".......\", lines with * in the first position are",
    "comments, and the data lines follow their command, for example:",
    ".......Input the Spectrum",
    "* a1   a2   mode skip  reverse /mode:1-2byte,2-4,3-text",
    "    1    4096  1  0  0",
    "sample.spe",
    ".......Set the Analysis Bounds",
    "       2    4095",
    ".......STOP",
    "FILE, Save the Init-file writes the present settings to pektra.tmp;",
    "rename it to pektra.ini to start with them next time.",
    "   Each dialog has its own help: click on its Help button.",
    "See also HELP, Get Started.",
    // Russian.
    "   Назначение PEKTRA - обработка гамма- или рентгеновских спектров",
    "полупроводниковых детекторов: положения, площади и ширины пиков.",
    "",
    "   Анализ состоит из пяти этапов:",
    "1. калибровка по энергии и эффективности (меню CALIBRATION);",
    "2. исправление грубых ошибок (выбросов) в спектре (FILE);",
    "3. формирование модели пика: стандартной или реальной;",
    "4. разметка: поиск пиков и деление на интервалы (OPERATION);",
    "5. обработка интервалов методом наименьших квадратов.",
    "   Все этапы идут в визуальном режиме: спектры, подгонки и таблицы",
    "выводятся на экран для проверки. Обрабатывается один спектр или",
    "серия спектров (DATA, Input_sp_file_names).",
    "",
    "   Данные вводятся с экрана или из файлов; результаты выводятся в",
    "визуальную таблицу (INFO, Show Result Table) и в текстовый файл",
    "результатов (FILE, Save the Fit Results). Числа пишутся в свободном",
    "формате через пробелы, запятые или табуляции; строки, начинающиеся",
    "с *, - комментарии. Строки калибровочных данных:",
    "   энергия:       ch   E   err     (канал, энергия, ошибка)",
    "   эффективность: E    k   err     (энергия, коэффициент, ошибка)",
    "ошибку err можно не указывать.",
    "   Разметка по списку энергий: введите энергии нужных пиков",
    "(DATA, Enter Marking Energies) и выполните OPERATION, Spectrum",
    "Marking by Energies; подгоняются только интервалы этих пиков.",
    "   Данные разметки (DATA, Input Marking Data) имеют формат",
    " -ch1_1  p1_1  p2_1 ... -ch2_1",
    " -ch1_2  p1_2  p2_2 ... -ch2_2",
    "т.е. каждый интервал: -левая граница, каналы пиков, -правая граница.",
    "   Init-файл pektra.ini задает параметры анализа при запуске.",
    "Команды начинаются с \".......\", строки с * в первой позиции -",
    "комментарии, строки данных следуют за своей командой, например:",
    ".......Input the Spectrum",
    "* a1   a2   mode skip  reverse /mode:1-2byte,2-4,3-text",
    "    1    4096  1  0  0",
    "sample.spe",
    ".......Set the Analysis Bounds",
    "       2    4095",
    ".......STOP",
    "Команда FILE, Save the Init-file записывает текущие параметры в",
    "pektra.tmp; переименуйте его в pektra.ini для следующего запуска.",
    "   У каждого диалога своя подсказка: нажмите его кнопку Help.",
    "См. также HELP, Get Started.",
};

const std::vector<std::string> kGettingStarted = {
    "               Getting started.",
    "",
    "   The simplest analysis is a sequence of menu clicks:",
    "      Click on FILE, INPUT_THE_SPECTRUM",
    "choose the file and its type, then click on OK;",
    "      Click on GRAPH, GRAPH_THE_SPECTRUM",
    "to see the whole spectrum (it is also drawn after the input);",
    "      Click on MARK,  MAKE_THE_INTERVAL",
    "and click on the graph at the beginning and the end of the interval;",
    "      Click on OPERATION, AUTOMATIC_SPECTRUM_MARKING",
    "check the widths in the dialog and click on OK: peaks are found;",
    "      Click on OPERATION, INTERVAL_FIT.",
    "Intervals are fitted one by one; go on with Next and Previous;",
    "      Click on FILE, SAVE_THE_FIT_RESULTS",
    "to write the summary table of the fitted peaks to a file.",
    "",
    "All menu commands are self-explaining, contain hints",
    "and need no further comments.",
    // Russian.
    "               Начало работы.",
    "",
    "   Простейший анализ - это последовательность щелчков по меню:",
    "      Щелкните FILE, INPUT_THE_SPECTRUM",
    "выберите файл и его тип, затем нажмите OK;",
    "      Щелкните GRAPH, GRAPH_THE_SPECTRUM",
    "чтобы увидеть весь спектр (он рисуется и сразу после ввода);",
    "      Щелкните MARK,  MAKE_THE_INTERVAL",
    "и щелкните на графике начало и конец интервала анализа;",
    "      Щелкните OPERATION, AUTOMATIC_SPECTRUM_MARKING",
    "проверьте ширины в диалоге и нажмите OK: пики будут найдены;",
    "      Щелкните OPERATION, INTERVAL_FIT.",
    "Интервалы подгоняются по одному; переход - кнопки Next и Previous;",
    "      Щелкните FILE, SAVE_THE_FIT_RESULTS",
    "чтобы записать итоговую таблицу подогнанных пиков в файл.",
    "",
    "Все команды меню понятны сами по себе, содержат подсказки",
    "и не требуют дальнейших пояснений.",
};

const std::vector<std::string> kSpectrumInput = {
    "Spectrum File Type are: (length < 16385)",
    " 1=   binary file, 2 bytes per word",
    " 2=   binary file, 4 bytes per word (signed integers)",
    " 3=   ASCII free field file, numbers separated by blanks or commas",
    " 4=   ASCII X,Y file, each line is:      X,  spectrum value, [error]",
    " 5=   standard format, detected: SPE, CHN, CNF, N42, CSV, MCA;",
    "      its energy calibration is offered, live time and date kept",
    "Binary words are least significant byte first. In text files lines",
    "beginning with * are comments; type 3 fills channels from a1 on.",
    "Skip the header      = skip the 1024-byte header of a binary file;",
    "Reverse the bytes    = exchange the 16-bit halves of 4-byte words;",
    "Restore ini-bounds   = take the interval from the init file;",
    "Starting channel = 1 = the X,Y file fills channels from a1 on,",
    "                       otherwise from its first X, rounded.",
    "Without Restore ini-bounds the interval is the whole spectrum.",
    "The interval under analysis (b1..b2) is taken by MARK,",
    "MAKE_THE_INTERVAL; a part of the graph (cadre) is cut by GRAPH,",
    "CUT_THE_CADRE; Next/Previous Cadre move through the spectrum.",
    // Russian.
    "Типы файлов спектра: (длина < 16385)",
    " 1=   двоичный файл, 2 байта на слово",
    " 2=   двоичный файл, 4 байта на слово (целые со знаком)",
    " 3=   ASCII-файл в свободном формате, числа через пробелы, запятые",
    " 4=   ASCII-файл X,Y, каждая строка:  X, значение спектра, [ошибка]",
    " 5=   стандартный формат, определяется сам: SPE, CHN, CNF, N42, CSV,",
    "      MCA; его калибровка предлагается, живое время и дата берутся",
    "В двоичных словах младший байт идет первым. В текстовых файлах",
    "строки с * - комментарии; тип 3 заполняет каналы начиная с a1.",
    "Skip the header      = пропустить заголовок двоичного файла 1024 б;",
    "Reverse the bytes    = поменять 16-битные половины 4-байтных слов;",
    "Restore ini-bounds   = взять интервал анализа из init-файла;",
    "Starting channel = 1 = файл X,Y заполняет каналы начиная с a1,",
    "                       иначе с первого X, округленного до целого.",
    "Без Restore ini-bounds интервалом анализа становится весь спектр.",
    "Интервал анализа (b1..b2) задается командой MARK,",
    "MAKE_THE_INTERVAL; часть графика (кадр) вырезается командой GRAPH,",
    "CUT_THE_CADRE; кнопки Next/Previous Cadre листают спектр.",
};

const std::vector<std::string> kBlunders = {
    "If small neighbor of each spectrum point is flat",
    "(chi2 of a line fitted to the neighbours does not exceed chibc)",
    "and the point deviates from it so that (fit-sp)**2/err**2 > order,",
    "the point is considered as blunder and replaced by fitting value.",
    // Russian.
    "Если малая окрестность точки спектра гладкая (хи-квадрат прямой,",
    "подогнанной по соседним точкам, не больше chibc), а отклонение",
    "точки от прямой таково, что (fit-sp)**2/err**2 > order, то точка",
    "считается выбросом и заменяется подогнанным значением.",
};

const std::vector<std::string> kSaving = {
    "Command saves the results of the analysis and resets all the counters",
    "of the result table; until then the results of all fits accumulate",
    "in the table. The spectrum's name leaves the spectrum name list.",
    // Russian.
    "Команда сохраняет результаты анализа и обнуляет все счетчики",
    "таблицы результатов; до этого результаты всех подгонок накапливаются",
    "в таблице. Имя спектра удаляется из списка имен спектров.",
};

const std::vector<std::string> kStandardModels = {
    "One can set up some standard peak models as:",
    "Gaussian, the IAEA peak model, and peak model for detector 4.",
    // Russian.
    "Можно задать одну из стандартных моделей пика:",
    "гауссиан, модель пика МАГАТЭ и модель пика для детектора 4.",
};

const std::vector<std::string> kSpectrumData = {
    "a1 = Spectrum beginnig channel",
    "a2 = Spectrum end channel   (1 <= a1 <= a2 <= 16384)",
    "b1, b2 = beginning and end of the interval under analysis; a bound",
    "     outside a1..a2 is moved to a1+1 or a2-1.",
    "Spectrum File Type:  1 = binary, 2 bytes per word;",
    "     2 = binary, 4 bytes per word; 3 = ASCII free field format;",
    "     4 = ASCII lines X, Y, [error]; 5 = standard format, detected.",
    "Small Statistics = count level below which statistics is small:",
    "     a point with fewer neighbour counts is not checked for",
    "     blunders, an interval below it is fitted by channel pairs.",
    "Covar = relative error of the counts, used in the variance of a",
    "     spectrum point sp(i) (file types 1, 2 and 4):",
    "          .9*sp(i) + .1*(covar*sp(i))**2 + 1",
    "     where the last term is taken as 0.1, so an empty channel has",
    "     a small non-zero error; type 3 keeps the errors sqrt(sp(i)).",
    "Order for blunders = limit of the squared deviation of a point",
    "     from its local fit, in units of its variance. default=10",
    "Chi2 for blunders  = limit of chi2 of the local fit for a flat",
    "     neighbourhood. default=1.25  (FILE, Correct for Blunders)",
    "Width_1, Width_2 = peak widths (fwhm, chan) at the beginning and",
    "     at the end of the spectrum, at least 0.25;",
    "Delta Width = allowed deviation of the peak width (chan).",
    "The widths define the width line",
    "w = a * ch + b   +- delta_width, where w = fwhm, ch = channel",
    "     (SETTINGS, Set Width Dependence draws it through the widths",
    "     at the interval bounds b1 and b2).",
    "OK recomputes the errors of the spectrum with the variance formula.",
    // Russian.
    "a1 = начальный канал спектра",
    "a2 = конечный канал спектра   (1 <= a1 <= a2 <= 16384)",
    "b1, b2 = начало и конец интервала анализа; граница вне a1..a2",
    "     переносится в a1+1 или a2-1.",
    "Тип файла спектра:  1 = двоичный, 2 байта на слово;",
    "     2 = двоичный, 4 байта на слово; 3 = ASCII, свободный формат;",
    "     4 = ASCII-строки X, Y, [ошибка]; 5 = стандартный формат.",
    "Small Statistics = уровень счета, ниже которого статистика мала:",
    "     точка с меньшим счетом соседей не проверяется на выбросы,",
    "     интервал ниже него подгоняется по парам каналов.",
    "Covar = относительная ошибка счета; входит в дисперсию точки",
    "     спектра sp(i) (типы файлов 1, 2 и 4):",
    "          .9*sp(i) + .1*(covar*sp(i))**2 + 1",
    "     где последний член берется равным 0.1, так что пустой канал",
    "     имеет малую ненулевую ошибку; у типа 3 ошибки sqrt(sp(i)).",
    "Order for blunders = предел квадрата отклонения точки от",
    "     локальной подгонки в единицах ее дисперсии. По умолчанию 10",
    "Chi2 for blunders  = предел хи-квадрат локальной подгонки для",
    "     гладкой окрестности (1.25); см. FILE, Correct for Blunders",
    "Width_1, Width_2 = ширины пиков (ПШПВ, каналы) в начале и",
    "     в конце спектра, не меньше 0.25;",
    "Delta Width = допустимое отклонение ширины пика (каналы).",
    "Ширины задают линию ширин",
    "w = a * ch + b   +- delta_width, где w = ПШПВ, ch = канал",
    "     (SETTINGS, Set Width Dependence проводит ее через ширины",
    "     на границах интервала b1 и b2).",
    "OK пересчитывает ошибки спектра по формуле дисперсии.",
};

const std::vector<std::string> kMarkingData = {
    "Marking is peak search and spectrum division into intervals with 1",
    "or more peaks each, for their further fit. Widths are fwhm, chan.",
    "Smoothing    = smoothing coefficient of the peak search (0.5)",
    "Max.interval = maximum length of the marked interval. default=128",
    "               (Interval length of Find the Peaks; search window)",
    "Sensitivity  = 0.5 - 3; smaller values find weaker peaks, larger",
    "               keep only clearly significant ones. default=1",
    "Resolution   = if -1 normal multiplets resolved",
    "               (1 - 3: larger values merge close peaks more often)",
    "kWidth, adInterv: each peak claims kWidth*Width+adInterv channels",
    "on each side. Width accuracy = allowed deviation of the widths.",
    // Russian.
    "Разметка - это поиск пиков и деление спектра на интервалы с одним",
    "или несколькими пиками для их подгонки. Ширины - ПШПВ, в каналах.",
    "Smoothing    = коэффициент сглаживания при поиске пиков (0.5)",
    "Max.interval = наибольшая длина размеченного интервала (128).",
    "               (Interval length в Find the Peaks; окно поиска)",
    "Sensitivity  = 0.5 - 3; меньшие значения находят более слабые пики,",
    "               большие - только явно значимые. По умолчанию 1",
    "Resolution   = при -1 обычные мультиплеты разрешаются",
    "               (1 - 3: при больших значениях близкие пики сливаются)",
    "kWidth, adInterv: каждый пик занимает kWidth*Width+adInterv каналов",
    "с каждой стороны. Width accuracy = допустимое отклонение ширин.",
};

const std::vector<std::string> kFindPeaks = {
    "Find the Peaks: the control data of the peak search.",
    "Width at the beginning, Width at the end = fwhm of the peaks",
    "     (chan) at the beginning and at the end of the interval;",
    "Width accuracy = allowed deviation of the widths (chan);",
    "Sensitivity (0.5 - 3): smaller values find weaker peaks, larger",
    "     keep only clearly significant ones (1);",
    "Resolution (1-3): larger values merge close peaks more often;",
    "Interval length = longest interval of the marking (chan).",
    "New / Old algorithm: the peak search used (when asked).",
    "Refine the peaks by the fit: positions and widths of the found",
    "     peaks are refined by a quick fit before the marking.",
    "The search depends strongly on the accuracy of the widths.",
    // Russian.
    "Find the Peaks: управляющие данные поиска пиков.",
    "Width at the beginning, Width at the end = ПШПВ пиков (каналы)",
    "     в начале и в конце интервала;",
    "Width accuracy = допустимое отклонение ширин (каналы);",
    "Sensitivity (0.5 - 3): меньшие значения находят более слабые",
    "     пики, большие - только явно значимые (1);",
    "Resolution (1-3): при больших значениях близкие пики сливаются;",
    "Interval length = наибольшая длина интервала разметки (каналы).",
    "New / Old algorithm: алгоритм поиска пиков (если спрошен).",
    "Refine the peaks by the fit: положения и ширины найденных пиков",
    "     уточняются быстрой подгонкой перед разметкой.",
    "Качество поиска сильно зависит от точности ширин.",
};

const std::vector<std::string> kTestSpectra = {
    "Set Test Spectra: one of the built-in test spectra is made and",
    "taken as the spectrum read, with its widths; graph it, mark it",
    "and fit it as a spectrum read from a file. Nothing is read from",
    "or written to disk.",
    "Set Debug mode: the trace of the peak search, the fit and the",
    "calibration goes to the debug log a.res (until the end of the run).",
    // Russian.
    "Set Test Spectra: создается один из встроенных тестовых спектров",
    "и берется как прочитанный спектр, со своими ширинами; его можно",
    "показать, разметить и подогнать, как спектр из файла. С диском",
    "ничего не читается и не пишется.",
    "Set Debug mode: протокол поиска пиков, подгонки и калибровки",
    "пишется в отладочный файл a.res (до конца работы).",
};

const std::vector<std::string> kFitData = {
    "Width variable    = slope W1 of the width w = W0 + W1*s over the",
    "                    interval (s from -1 to 1); start value, often 0",
    "Delta Width V     = allowed range of W1: +-DeltaWV (0 = fixed)",
    "N of iterations   = maximum number of iterations of the fit (7)",
    "Step              = in iterations;  0 < step <= 1",
    "Damper            = if LSM-matrix is good, damper about 0.0001",
    "                    (default 0.01; larger values for unstable fits)",
    "Backgr.degree     = degree of the background polynomial, 0 - 3",
    "Delta Pos.        = allowed shift of a peak position, chan; 0=fixed",
    "Normalization coef.= Norm.area = area / coef; or tick the box and",
    "give the channel N of the peak to normalise to (its Norm.area=100).",
    // Russian.
    "Width variable    = наклон W1 ширины w = W0 + W1*s по интервалу",
    "                    (s от -1 до 1); начальное значение, обычно 0",
    "Delta Width V     = допустимые пределы W1: +-DeltaWV (0 - постоянна)",
    "N of iterations   = наибольшее число итераций подгонки (7)",
    "Step              = шаг итераций;  0 < step <= 1",
    "Damper            = если матрица МНК хорошая, damper около 0.0001",
    "                    (по умолчанию 0.01; больше - для неустойчивых)",
    "Backgr.degree     = степень полинома фона, 0 - 3",
    "Delta Pos.        = допустимый сдвиг положения пика, кан.; 0 - фикс.",
    "Normalization coef.= Norm.area = площадь / coef; или отметьте флажок",
    "и задайте канал N пика для нормировки (его Norm.area = 100).",
};

const std::vector<std::string> kScales = {
    "Scales are used only for graphs, the spectrum itself remains",
    "unaffected. Normal is linear, SQRT and LN compress large counts.",
    "Trimmed cuts the graph at a level: the trimming coefficient is the",
    "cut-off level between 0 and 1, as a part of the count range.",
    // Russian.
    "Шкалы используются только для графиков, сам спектр остается",
    "неизменным. Normal - линейная, SQRT и LN сжимают большие отсчеты.",
    "Trimmed обрезает график на уровне: коэффициент обрезки - это",
    "уровень отсечения от 0 до 1 как доля диапазона отсчетов.",
};

const std::vector<std::string> kEnergyCalibration = {
    "Energy calibration is converting channels to energies:",
    "  non-linear mode, using spline interpolation;",
    "  linear mode by linear fitting.",
    "Each data line, in free field format (err may be left out):",
    "           ch   E   err",
    "Items come from the screen, a file, the marked peaks (as channels)",
    "or the result table; 2 to 60 items. Lines with * are comments.",
    "The calibration data is automatically arranged.",
    "The data is seen and edited in CALIBRATION, Enter Energy Calibr.Data",
    "and the graph in GRAPH, Graph Energy Calibration.",
    // Russian.
    "Калибровка по энергии - это перевод каналов в энергии:",
    "  нелинейный режим - сплайн-интерполяцией;",
    "  линейный режим - линейной подгонкой.",
    "Каждая строка данных в свободном формате (err можно опустить):",
    "           ch   E   err",
    "Данные берутся с экрана, из файла, из отмеченных пиков (как каналы)",
    "или из таблицы результатов; 2 - 60 точек; строки с * - комментарии.",
    "Калибровочные данные автоматически упорядочиваются.",
    "Данные видны и правятся в CALIBRATION, Enter Energy Calibr.Data,",
    "график - в GRAPH, Graph Energy Calibration.",
};

const std::vector<std::string> kEfficiencyCalibration = {
    "Efficiency calibration is converting peak areas to intensities",
    "dividing them by registration efficiency coefficient.",
    "The coefficient k is interpolated at the peak energy (at the",
    "channel if no energy calibration is set up). Data lines:",
    "           E    k  err",
    "in free field format; err may be left out and is not used.",
    "The input data is automatically arranged.",
    "At most 60 items; a coefficient 0 leaves the area unchanged.",
    // Russian.
    "Калибровка по эффективности - это перевод площадей пиков в",
    "интенсивности делением на коэффициент эффективности регистрации.",
    "Коэффициент k интерполируется при энергии пика (при канале,",
    "если калибровка по энергии не задана). Строки данных:",
    "           E    k  err",
    "в свободном формате; err можно опустить, он не используется.",
    "Введенные данные автоматически упорядочиваются.",
    "Не более 60 точек; при коэффициенте 0 площадь не меняется.",
};

const std::vector<std::string> kCriterion = {
    "Crit = criterion for the significance of the peak:",
    "      C = (A - B)/SQRT(A + B + 1),  where",
    "A = total counts of the peak region, B = background under the peak",
    "(in the Errors line the Crit/Bckg column holds B).",
    "If C > 3, the peak is statistically significant.",
    "Save appends the table to the debug file a.res.",
    // Russian.
    "Crit = критерий значимости пика:",
    "      C = (A - B)/SQRT(A + B + 1),  где",
    "A = полный счет в области пика, B = фон под пиком",
    "(в строке Errors столбец Crit/Bckg содержит B).",
    "Если C > 3, пик статистически значим.",
    "Кнопка Save дописывает таблицу в отладочный файл a.res.",
};

const std::vector<std::string> kMarkingDataFormat = {
    "Ready-to-use marking data has the following format:",
    " -ch1_1  p1_1  p2_1 ... -ch2_1",
    " -ch1_2  p1_2  p2_2 ... -ch2_2",
    "Each interval: its left bound with a minus sign, the channels of",
    "its peaks (positive), its right bound with a minus sign. Line",
    "breaks do not matter; at most 200 numbers in free field format.",
    "The editor shows each interval as a line with both bounds,",
    "-left -right, followed by one line per peak channel; Show Marked",
    "Peaks lists the intervals with the energies of their peaks.",
    // Russian.
    "Готовые данные разметки имеют следующий формат:",
    " -ch1_1  p1_1  p2_1 ... -ch2_1",
    " -ch1_2  p1_2  p2_2 ... -ch2_2",
    "Каждый интервал: левая граница со знаком минус, каналы его пиков",
    "(положительные), правая граница со знаком минус. Переводы строк",
    "не важны; не более 200 чисел в свободном формате.",
    "Редактор показывает интервал строкой с обеими границами",
    "-левая -правая, за ней по строке на каждый канал пика; Show Marked",
    "Peaks выводит интервалы с энергиями их пиков.",
};

const std::vector<std::string> kAutoCalibration = {
    "The peaks of a Ra226 or an Eu152 source serve as the sample: find",
    "and mark them first (at least 5 peaks), and give an energy range",
    "compatible with the spectrum (Ra up to 1770, Eu up to 1410 KeV).",
    "Check in the table that the fitted peaks match the calibration ones.",
    // Russian.
    "Образцом служат пики источника Ra226 или Eu152: сначала найдите и",
    "разметьте их (не менее 5 пиков) и задайте диапазон энергий,",
    "совместимый со спектром (Ra до 1770, Eu до 1410 кэВ).",
    "Проверьте по таблице, что найденные пики совпадают с калибровочными.",
};

const std::vector<std::string> kEnergyList = {
    "The energy list lets one process only the peaks of interest.",
    "Type the energies one per line, or several on a line separated by",
    "commas (free field format; blanks are removed), or read them from",
    "a file; at most 300 values. Then run OPERATION, Spectrum Marking",
    "by Energies: only the intervals holding listed peaks are kept.",
    "Without energy calibration the energies are treated as channels",
    "(Spectrum Marking by Lines always takes the list as channels).",
    "Close neighbours of the listed peaks are added automatically, so",
    "that they do not disturb the fit.",
    "Listed peaks that the old algorithm does not find are reported",
    "with an area estimate and added to the result table.",
    // Russian.
    "Список энергий позволяет обработать только интересующие пики.",
    "Введите энергии по одной в строке или через запятую (пробелы",
    "удаляются), либо прочитайте их из файла; не более 300 значений.",
    "Затем выполните OPERATION, Spectrum Marking by Energies:",
    "остаются только интервалы с пиками из списка. Без калибровки по",
    "энергии энергии считаются каналами (Marking by Lines - всегда).",
    "Близкие соседние пики добавляются автоматически, чтобы не мешать",
    "подгонке. Пики из списка, не найденные старым алгоритмом, выдаются",
    "с оценкой площади и добавляются в таблицу результатов.",
    "",
    "",
};

const std::vector<std::string>& TextOf(HelpTopic topic) {
  switch (topic) {
    case HelpTopic::kGeneral:
      return kGeneral;
    case HelpTopic::kGettingStarted:
      return kGettingStarted;
    case HelpTopic::kSpectrumInput:
      return kSpectrumInput;
    case HelpTopic::kBlunders:
      return kBlunders;
    case HelpTopic::kSaving:
      return kSaving;
    case HelpTopic::kStandardModels:
      return kStandardModels;
    case HelpTopic::kSpectrumData:
      return kSpectrumData;
    case HelpTopic::kMarkingData:
      return kMarkingData;
    case HelpTopic::kFitData:
      return kFitData;
    case HelpTopic::kScales:
      return kScales;
    case HelpTopic::kEnergyCalibration:
      return kEnergyCalibration;
    case HelpTopic::kEfficiencyCalibration:
      return kEfficiencyCalibration;
    case HelpTopic::kCriterion:
      return kCriterion;
    case HelpTopic::kMarkingDataFormat:
      return kMarkingDataFormat;
    case HelpTopic::kAutoCalibration:
      return kAutoCalibration;
    case HelpTopic::kEnergyList:
      return kEnergyList;
    case HelpTopic::kFindPeaks:
      return kFindPeaks;
    case HelpTopic::kTestSpectra:
      return kTestSpectra;
  }
  return kGeneral;
}

}  // namespace

std::vector<std::string> HelpLines(HelpTopic topic, bool rus_help) {
  const std::vector<std::string>& text = TextOf(topic);
  return SetOptionList(static_cast<int>(text.size() / 2), text, rus_help);
}

}  // namespace pektra
