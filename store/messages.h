#pragma once

#include <QString>
#include <QStringList>

// Every message text the system shows, typed once. Pages and operations
// refer to these names; tests compare against them.
namespace korvane::msg {

// Database file commands.
inline const QString clearConfirm =
    QStringLiteral("该操作将会清空当前数据库，当前数据信息将丢失，您确定继续进行吗？");
inline const QString overwriteConfirm =
    QStringLiteral("该操作将会覆盖当前数据库，确认已导出当前数据库到安全位置？");
inline const QString fileFilter = QStringLiteral("access文件 (*.mdb)");
// Whole-file commands and start-up: what was refused or failed, and where the
// previous file went. %1 is always a file or folder path.
inline const QString noFileChosen = QStringLiteral("没有指定数据库文件。");
inline const QString sourceIsWorking = QStringLiteral("这就是当前数据库本身");
inline const QString fileRefused = QStringLiteral("无法使用文件“%1”：%2。当前数据库没有任何改动。");
inline const QString backupFailed =
    QStringLiteral("无法备份当前数据库“%1”（%2）。当前数据库没有任何改动。");
inline const QString replacedWithBackup =
    QStringLiteral("数据库已替换，原来的数据库已备份为“%1”。");
inline const QString replaced = QStringLiteral("数据库已替换。");
inline const QString workingMissing = QStringLiteral("当前数据库“%1”不存在。");
inline const QString exportOntoWorking =
    QStringLiteral("不能导出到当前数据库文件“%1”本身，请另选文件名。");
inline const QString exportFailed = QStringLiteral("导出数据库失败（%1）。");
inline const QString exported = QStringLiteral("数据库已导出到“%1”。");
inline const QString folderNotCreated = QStringLiteral("无法创建文件夹“%1”。");
inline const QString workingNotCreated = QStringLiteral("无法创建数据库“%1”（%2）。");
inline const QString workingMovedAside =
    QStringLiteral("数据库“%1”无法使用（%2），已改名保存为“%3”，并新建了一个空数据库。");
inline const QString workingNotMovedAside =
    QStringLiteral("数据库“%1”无法使用（%2），也无法改名保存（%3）。");
// The working file may be healthy, but cannot be used now (%2: busy, no
// permission, disk full, newer version); it is left exactly where it is.
inline const QString workingUnavailable =
    QStringLiteral("数据库“%1”现在无法使用（%2）。文件没有任何改动，请解决上述问题后再试。");
// Export onto a file the program delivers (the template or the sample).
inline const QString exportOntoDelivered =
    QStringLiteral("不能导出到程序自带的数据库文件“%1”，请另选文件名。");
// Another process of ours has the file open, or a run owns its work tables.
inline const QString fileInUse =
    QStringLiteral("数据库“%1”正被本程序的另一个窗口或命令使用，请关闭它们后再试。");
inline const QString fileBeingReplaced = QStringLiteral("数据库“%1”正在被替换，请稍后再试。");
inline const QString runInProgressElsewhere =
    QStringLiteral("另一个程序正在用数据库“%1”生成值班表，请等它结束后再试。");
// The file at the path is no longer the one a run or command locked (renamed
// over, moved away): the work stops before it writes more.
inline const QString fileReplacedDuringWork =
    QStringLiteral("数据库“%1”在使用中被另一个文件替换或被移走，操作已停止。");
// Another window or command of ours is writing the same file.
inline const QString fileBeingWritten =
    QStringLiteral("本程序的另一个窗口或命令正在写入文件“%1”，请稍后再试。");
// The file system refused the lock (%1: the system's reason).
inline const QString cannotLock = QStringLiteral("无法对文件加锁（%1）");
// A new file was to be made where another program made one meanwhile.
inline const QString fileCreatedMeanwhile =
    QStringLiteral("另一个程序刚刚创建了文件“%1”，请再试一次");
// korvane-cli roster: an output file that would overwrite a database.
inline const QString outputIsDatabase =
    QStringLiteral("不能把输出写到数据库文件“%1”，请另选文件名。");
// %1 is a file SQLite keeps beside the database %2 (its log, its lock...).
inline const QString outputIsCompanion =
    QStringLiteral("不能把输出写到“%1”：它是数据库“%2”的附属文件，请另选文件名。");
inline const QString outputFailed = QStringLiteral("无法写入“%1”（%2）。");
inline const QString isAFolder = QStringLiteral("这是一个文件夹");

// Staff editor.
inline const QString enterCharacters = QStringLiteral("请输入字符！");
inline const QString nameEmpty = QStringLiteral("姓名不能为空！");
inline const QString duplicateName =
    QStringLiteral("检验有重名，请重新添加姓名，增加标识（如大、小）以区别！");
inline const QString keepOnePerson = QStringLiteral("至少要保留一个姓名！");
// Deleting a person, a shift or a group (%1: what is deleted, as 员工“张三”).
inline const QString confirmDeleteOf = QStringLiteral("确定删除%1吗？");
inline const QString personToDelete = QStringLiteral("员工“%1”（ID %2）");
inline const QString shiftToDelete = QStringLiteral("班次“%1”（%2-%3）");
inline const QString namedByRules = QStringLiteral("以下设置按名称指向它：");
inline const QString goesWithIt = QStringLiteral("以下内容将随之删除：");
inline const QString goesLeave = QStringLiteral("休假 %1 条");
inline const QString goesLimits = QStringLiteral("人员限制 %1 条");
inline const QString goesTargets = QStringLiteral("排班目标 %1 条");
inline const QString goesWishes = QStringLiteral("排班意愿 %1 条");
inline const QString goesIdealHeadcounts = QStringLiteral("理想人数 %1 条");
inline const QString goesMostHeadcounts = QStringLiteral("最多人数 %1 条");
inline const QString goesFairness = QStringLiteral("公平权重 %1 条");
inline const QString goesStaffNumber = QStringLiteral("工号 %1 条");
// %1: a saved roster's name, %2: how many of its locks hold the person.
inline const QString keptLocks = QStringLiteral(
    "排班存档“%1”中有 %2 处锁定涉及此人：存档保持原样，但再次生成时这些锁定无法保持。");
// A forbidden succession (%1: its 编号, %2 and %3 the shifts).
inline const QString successionDescription = QStringLiteral("禁止衔接 编号 %1：%2 之后接 %3");
// %1: how many rules (or successions) name what was deleted.
inline const QString deleteNamingToo = QStringLiteral(
    "同时删除按名称指向它的 %1 条设置吗？选“否”则保留它们，但它们将不再指向任何对象。");
inline const QString ageInvalid = QStringLiteral("年龄应是 1 到 120 之间的整数，或者留空。");

// Planning period.
inline const QString endBeforeStart = QStringLiteral("结束日期不能小于开始日期！");
inline const QString noPeriod = QStringLiteral("目前没定义日期范围。");
inline const QString periodStart = QStringLiteral("起始日期：");
inline const QString periodEnd = QStringLiteral("        终止日期：");
// Asked before a new period rebuilds a calendar whose dates belong to date
// groups: %1 memberships go, %2 (names joined by 、) are left without dates.
inline const QString periodDropsMemberships =
    QStringLiteral("保存新的日期范围会重建日历，所有日期将退出各日期组：共 %1 "
                   "条日期组成员关系将被清除，日期组 %2 将没有任何日期。确定保存吗？");

// Groups.
inline const QString deleteGroupWithMembers = QStringLiteral("本组存在成员,确定删除吗？");
inline const QString groupNameReferenced =
    QStringLiteral("组名一旦被其他项设置引用，就不要随意修改，否则有相关引用的地方要重新设置！");
inline const QString renameGroupWarning =
    QStringLiteral("修改组名会影响到引用该组名的设置，如班次中的分布日期、排班约束条件中的相关设置"
                   "等，请修改上述的相关");
inline const QString pleaseChange = QStringLiteral("请修改");
// A group renamed like another group of its kind (%1: the name).
inline const QString duplicateGroupName =
    QStringLiteral("已经有名为“%1”的组，条件按名称引用组，请换一个名称。");
// Asked before deleting a group that shifts or rules name; the lines that
// name them follow, then confirmDelete (or it follows deleteGroupWithMembers).
inline const QString groupNamedBy = QStringLiteral("以下设置引用了本组，删除后它们将不再起作用：");
// The shifts distributed on a date group (%1: their names joined by 、).
inline const QString shiftsNamingGroup = QStringLiteral("班次：%1");
inline const QString confirmDelete = QStringLiteral("确定删除吗？");

// Shift editor.
inline const QString endAfterStart = QStringLiteral("结束时间应大于起始时间！");
inline const QString enterNumber = QStringLiteral("请输入数字！");
inline const QString valueTooLarge = QStringLiteral("设置值过大！");
inline const QString enterNonZero = QStringLiteral("请输入非零数字！");
// Refused save: an hour or minute box that does not hold a whole hour 0-23 or minute 0-59.
inline const QString shiftNameEmpty = QStringLiteral("班次名称不能为空！");
inline const QString invalidShiftTime =
    QStringLiteral("时间无效：小时须为0到23的整数，分钟须为0到59的整数！");

// Generation run and roster.
inline const QString duplicateDateGroup = QStringLiteral("ya!!!!buduile !");
inline const QString done = QStringLiteral("完成！");
inline const QString planImpossible =
    QStringLiteral("您的排班计划无法实施，请检查设置条件是否矛盾！");
inline const QString runTakesTime = QStringLiteral("生成值班表的过程可能需要较长时间");
inline const QString recordCount = QStringLiteral("记录数：");
// A query text beyond the longest the roster queries take (%1 characters).
inline const QString queryTextTooLong = QStringLiteral("查询内容太长（最多 %1 个字符）。");
// A printed report asked for while the roster is empty.
inline const QString noRoster = QStringLiteral("值班表是空的：请先生成值班表。");
// Shown before "完成！" when rules could not be evaluated; one skippedRule line follows per rule.
inline const QString skippedRules = QStringLiteral("以下约束条件无法执行，已跳过：");
// A rule in one line: 编号, 人员, 排在, 日期, 班次 (编号 3：张三 限排在 2027-13-45 的 夜班).
inline const QString ruleDescription = QStringLiteral("编号 %1：%2 %3 %4 的 %5");
// A rule exactly like one already there (%1: that rule, as ruleDescription).
inline const QString duplicateRule = QStringLiteral("这条条件已经有了（%1），不再重复添加。");
inline const QString skippedRule = ruleDescription;
// A slot the run could not fill: its date (long form), its shift, the people
// it needs and how many could be found (2027年3月1日的夜班需要 3 人，只有 2 人可排。).
inline const QString unfilledSlot = QStringLiteral("%1的%2需要 %3 人，只有 %4 人可排。");
// Why a slot could not be filled: the summary (%1 people, %2 the counted
// reasons "规则 3 排除 12 人，休假 5 人"), one part of it, and a person's line.
inline const QString explanationSummary = QStringLiteral("%1 人中：%2");
inline const QString explanationPart = QStringLiteral("%1 %2 人");
inline const QString explanationLine = QStringLiteral("%1：%2");
// A person's reason, and the kind the summary counts it under.
inline const QString reasonLeave = QStringLiteral("休假（%1）");
inline const QString kindLeave = QStringLiteral("休假");
inline const QString reasonRule = QStringLiteral("被约束条件排除（%1）");
inline const QString kindRule = QStringLiteral("规则 %1 排除");
inline const QString reasonStruck = QStringLiteral("被排除");
inline const QString reasonAssigned = QStringLiteral("已排入本班");
inline const QString reasonShifts = QStringLiteral("已达班数上限（%1 班）");
inline const QString kindShifts = QStringLiteral("已达班数上限");
inline const QString reasonOvernight = QStringLiteral("已达跨日班上限（%1 班）");
inline const QString kindOvernight = QStringLiteral("已达跨日班上限");
inline const QString reasonWeekend = QStringLiteral("已达周末班上限（%1 班）");
inline const QString kindWeekend = QStringLiteral("已达周末班上限");
inline const QString reasonConsecutive = QStringLiteral("已连续上班 %1 天，达到上限");
inline const QString kindConsecutive = QStringLiteral("已达连续天数上限");
inline const QString reasonRest = QStringLiteral("距上一班（%1）结束只有 %2 小时，少于 %3 小时");
inline const QString kindRest = QStringLiteral("休息不足");
inline const QString reasonOverlap = QStringLiteral("与已排的%1时间重叠");
inline const QString kindOverlap = QStringLiteral("班次时间重叠");
// A forbidden succession: the shift of one day (%1) and the one never worked the next (%2).
inline const QString reasonSuccession = QStringLiteral("禁止衔接：%1 后次日不上 %2");
inline const QString kindSuccession = QStringLiteral("禁止衔接");
inline const QString reasonAvailable = QStringLiteral("可排");
// A limit set on a staff group (%1), after the reason it gives.
inline const QString limitOfGroup = QStringLiteral("（%1的限制）");
// Warnings of a roster changed by hand. A rule's and leave's are the
// reasons above (reasonRule, reasonLeave). The other shift is named by its
// date (monthDay) and name; hours as the explanations write them.
inline const QString monthDay = QStringLiteral("%1月%2日");
inline const QString warnOverlap = QStringLiteral("时间重叠：与 %1 %2 重叠");
inline const QString warnRest =
    QStringLiteral("休息不足：%1 %2 结束后 %3 小时即上 %4（至少 %5 小时）");
inline const QString warnShifts = QStringLiteral("超出班数上限：本期第 %1 班（上限 %2 班）");
inline const QString warnOvernight =
    QStringLiteral("超出跨日班上限：本期第 %1 个跨日班（上限 %2 个）");
inline const QString warnWeekend =
    QStringLiteral("超出周末班上限：本期第 %1 个周末班（上限 %2 个）");
inline const QString warnConsecutive =
    QStringLiteral("超出连续天数上限：连续上班第 %1 天（上限 %2 天）");
// The heading of a roster's warnings printed by korvane-cli roster --warnings.
inline const QString warningCount = QStringLiteral("警告：%1 条");
inline const QString warnUnderstaffed = QStringLiteral("人数不足：需要 %1 人，只排了 %2 人");
inline const QString warnOverstaffed = QStringLiteral("人数超出：需要 %1 人，排了 %2 人");
// korvane-cli explain: what each person works (a limit after "/").
inline const QStringList workloadColumns = {
    QStringLiteral("姓名"),   QStringLiteral("班数"),         QStringLiteral("跨日班"),
    QStringLiteral("周末班"), QStringLiteral("最长连续天数"), QStringLiteral("最短休息小时")};
// Shown before a run when rules name what no longer exists; one skippedRule line follows per rule.
inline const QString danglingRules = QStringLiteral(
    "以下约束条件中的人员（或组）、日期（或组）或班次（或组）不存在（可能已改名或删除），"
    "生成值班表时这些条件将按原样执行：");
// Why a run ended with nothing to plan.
inline const QString nothingNoDates = QStringLiteral("没有日期：请先设定日期范围。");
inline const QString nothingNoShifts = QStringLiteral("没有班次：请先设定班次。");
inline const QString nothingNoStaff = QStringLiteral("没有值班人员：请先添加人员。");
inline const QString runCancelled = QStringLiteral("生成值班表已中止。");
// The window's connection could not be kept from writing while a run goes on.
inline const QString windowNotReadOnly =
    QStringLiteral("无法在排班期间禁止本窗口写入数据库，排班未开始。");
// A run that failed: the step (%1) and the database's reason (%2).
inline const QString runFailed = QStringLiteral("生成值班表出错（%1）：%2");
inline const QString staffChangedDuringRun = QStringLiteral("人员表在写入时发生了变化");
inline const QString rowChangedDuringRun = QStringLiteral("要写入的行在运行中被改动或删除");
inline const QString calendarDateInvalid = QStringLiteral("日期类型中的“%1”不是日期");

// The printed roster exported from its preview (%1: the PDF written).
inline const QString pdfWritten = QStringLiteral("值班报表已导出到“%1”。");
inline const QString reportNotPainted = QStringLiteral("无法生成报表页面");
// The month sheet written as a PDF, a workbook or a CSV file (%1: the file).
inline const QString sheetWritten = QStringLiteral("排班总表已导出到“%1”。");

// Limits and leave. A limit refused (%1: its column, %2: the text typed).
inline const QString limitNotCount =
    QStringLiteral("%1必须是 0 或正整数（0 表示不排，留空表示不限），“%2”无效！");
inline const QString restNotHours =
    QStringLiteral("%1必须是小于 720 的非负数（单位：小时，留空表示不限），“%2”无效！");
inline const QString leaveNoPerson = QStringLiteral("请选择休假的人员！");
inline const QString leaveNoReason = QStringLiteral("请填写休假原因！");
// The same person, dates and reason are already on the leave list (%1: its 编号).
inline const QString duplicateLeave =
    QStringLiteral("这条休假已经登记过（编号 %1：同一人员、同样的日期和原因），不再重复添加。");
// A leave range (%1 to %2) that misses the planning period (%3 to %4) entirely.
inline const QString leaveOutsidePeriod =
    QStringLiteral("休假 %1 至 %2 完全在排班日期范围（%3 至 %4）之外，不会影响排班。休假已保存。");
// What a grid shows for the limits or leave of a person or group that was
// deleted (%1: its key, telling two such rows apart).
inline const QString deletedPerson = QStringLiteral("（已删除的人员 #%1）");
inline const QString deletedGroup = QStringLiteral("（已删除的组 #%1）");

// Help menu: no browser could be started for the introduction page (%1: its file).
inline const QString noBrowser =
    QStringLiteral("无法打开浏览器显示在线说明。说明页面在“%1”，可以用浏览器直接打开它。");

// Constraint rules.
// Why a rule is left out of a run: its single date (%1) is not a date.
inline const QString ruleDateNotADate = QStringLiteral("约束条件中的日期“%1”不是有效日期");

// Staff editor: person numbers stay whole and unique.
inline const QString personNumberInvalid = QStringLiteral("编号必须是正整数！");
inline const QString personNumberTaken = QStringLiteral("该编号已有人使用，请换一个编号！");
// A 工号 (%1) another person of the ward (%2) has.
inline const QString staffNumberTaken =
    QStringLiteral("工号“%1”已是本病区%2的工号，同一病区的两人不能共用一个工号！");

// A database statement that failed, with the database's own reason (%1).
inline const QString storeFailed = QStringLiteral("数据库操作失败：%1");
// A file command that could not be carried out; the working database is unchanged.
inline const QString copyFailed = QStringLiteral("复制数据库文件失败，当前数据库未改变：%1");

// Why a file is not a usable Korvane database; whole-file copies.
inline const QString fileMissing = QStringLiteral("文件不存在");
inline const QString fileUnreadable = QStringLiteral("无法读取文件（%1）");
// An input/output error of the disk that is not a full disk (%1: SQLite's reason).
inline const QString fileInputOutput = QStringLiteral("读写文件时出错（%1）");
inline const QString notOurFile = QStringLiteral("不是本程序的数据库文件");
inline const QString fileExists = QStringLiteral("文件已存在");
inline const QString cannotOpenDatabase = QStringLiteral("无法打开数据库（%1）");
inline const QString unreadableDatabase = QStringLiteral("不是可读取的数据库文件（%1）");
inline const QString damagedDatabase = QStringLiteral("数据库文件已损坏");
inline const QString unreadableId = QStringLiteral("无法读取数据库标识");
inline const QString otherProgramsDatabase = QStringLiteral("这是其他程序的数据库");
inline const QString unreadableVersion = QStringLiteral("无法读取数据库版本");
inline const QString newerDatabase = QStringLiteral("数据库由更新版本的程序创建");
inline const QString foreignObjects = QStringLiteral("数据库含有本程序不使用的对象（%1 %2）");
inline const QString missingTable = QStringLiteral("缺少数据表“%1”");
inline const QString otherColumns = QStringLiteral("数据表“%1”的列与本程序不符");
inline const QString cannotStampId = QStringLiteral("无法写入数据库标识");
inline const QString cannotWriteFileBecause = QStringLiteral("无法写入 %1（%2）");
inline const QString cannotWriteFile = QStringLiteral("无法写入 %1");
inline const QString cannotWriteBecause = QStringLiteral("无法写入（%1）");
inline const QString folderNotWritable = QStringLiteral("文件夹不存在或不可写");
inline const QString cannotReplaceFile = QStringLiteral("无法替换 %1（%2）");
// A copy that fails SQLite's full check is never put in place.
inline const QString copyDamaged = QStringLiteral("复制出的文件未通过完整性检查");
// A file that could only be read without SQLite's locks changed while it was copied.
inline const QString changedWhileCopied = QStringLiteral("文件在复制时被其他程序改动");
inline const QString fileBusy = QStringLiteral("文件正被其他程序锁定，等待后仍无法使用");
inline const QString diskFull = QStringLiteral("磁盘已满");
inline const QString noReadPermission = QStringLiteral("没有读取权限");
inline const QString readOnlyFile = QStringLiteral("文件或所在文件夹是只读的");
inline const QString cannotUpgrade =
    QStringLiteral("无法为数据库“%1”添加新版本的数据表（%2），数据库没有任何改动。");
inline const QString otherColumnType = QStringLiteral("数据表“%1”的列“%2”的类型与本程序不符");

// Wards on a server (a ward is a schema of the server's database).
inline const QString wardLabel = QStringLiteral("服务器上的病区“%1”");
inline const QString serverUnreachable =
    QStringLiteral("无法连接服务器（%1），请检查服务器地址和网络。");
inline const QString serverPasswordRefused = QStringLiteral(
    "服务器拒绝了登录：用户名或密码不正确。本程序不保存密码，请在密码文件中填写或在提示时输入。");
inline const QString serverAddressInvalid =
    QStringLiteral("服务器地址“%1”无效，应形如 postgresql://主机/数据库。");
inline const QString serverDriverMissing =
    QStringLiteral("缺少连接服务器所需的数据库驱动（libqt6sql6-psql）。");
inline const QString wardNameEmpty = QStringLiteral("病区名称不能为空。");
inline const QString wardMissing = QStringLiteral("服务器上没有病区“%1”。");
inline const QString wardExists = QStringLiteral("服务器上已有病区“%1”；用 --force 清空后重建。");
inline const QString notOurWard = QStringLiteral("不是本程序的病区");
inline const QString newerWard = QStringLiteral("病区由更新版本的程序创建，请使用新版本的程序。");
inline const QString wardRefused = QStringLiteral("服务器拒绝了操作：%1");
inline const QString grantRefused =
    QStringLiteral("服务器拒绝了授权，没有任何改动（需要有权创建角色、授予权限的管理员连接）：%1");
// A ward's upgrade by a role that lacks a right (%3 says which).
inline const QString upgradeNeedsRight = QStringLiteral(
    "角色“%1”不能升级病区“%2”：%3。请由有此权限的角色（如建立病区的管理员）打开一次病区完成升级，"
    "或请管理员授予此权限");
inline const QString noRightToCreateSchema =
    QStringLiteral("它没有在数据库“%1”中创建模式的权限（CREATE ON DATABASE），升级前的备份需要它");
inline const QString noRightToCreateTable =
    QStringLiteral("它没有在病区中建立数据表的权限（CREATE ON SCHEMA）");
inline const QString notOwnerOfTables =
    QStringLiteral("它不是病区数据表的所有者，不能为数据表建立新版本所需的触发器");
inline const QString grantsApplied = QStringLiteral("已为 %1 个病区建立角色并授权。");
inline const QString wardBusy =
    QStringLiteral("病区正被另一个程序使用，等待后仍无法进行，病区没有任何改动。");
inline const QString wardRunBusy = QStringLiteral("另一个程序正在为这个病区生成值班表。");
inline const QString askServer =
    QStringLiteral("服务器地址（如 postgresql://主机/数据库，不含密码）：");
inline const QString passwordFor = QStringLiteral("%1 的密码（不会保存）：");
inline const QString askWard = QStringLiteral("病区名称：");
inline const QString askNewWard = QStringLiteral("新病区的名称：");
inline const QString newWardFromSample =
    QStringLiteral("用样例数据（医院值班）新建病区“%1”吗？选“否”则用空白模板新建。");
inline const QString wardNameTaken = QStringLiteral("服务器上已有病区“%1”，请换一个名称。");
inline const QString createWardConfirm =
    QStringLiteral("服务器上没有病区“%1”。用模板新建这个病区吗？");
inline const QString overviewNeedsServer =
    QStringLiteral("全院总表需要先连接服务器（工具 → 连接服务器…）。");
inline const QString connectionLost =
    QStringLiteral("与服务器的连接中断（%1）：本次操作的事务已回滚，病区没有写入一半的数据。");

// Saved rosters (排班存档).
inline const QString rosterNameEmpty = QStringLiteral("存档名称不能为空！");
inline const QString rosterNameTaken = QStringLiteral("已有名为“%1”的排班存档，请换一个名称！");
inline const QString noSavedRoster = QStringLiteral("没有名为“%1”的排班存档。");
inline const QString savedRosterGone = QStringLiteral("这个排班存档已被删除。");
inline const QString deleteRosterConfirm = QStringLiteral("确定删除排班存档“%1”吗？");
// What a saved roster names that the set-up no longer holds (%1: names joined by 、).
inline const QString gonePeople = QStringLiteral("已不存在的人员：%1。");
inline const QString goneShifts = QStringLiteral("已不存在的班次：%1。");
// A saved roster is generated again on its own period only.
inline const QString otherPeriod = QStringLiteral(
    "当前排班时段（%1）与排班存档的时段（%2）不同，请先把排班时段设为存档的时段再重新生成。");
// Locks left out of a regeneration, one line each follows.
inline const QString locksLeftOut = QStringLiteral("以下锁定已无法保持，本次生成不考虑它们：");
inline const QString lockLine = QStringLiteral("%1 %2 的%3");
inline const QString regenerated = QStringLiteral("排班存档“%1”已重新生成。");
// Locks that break leave, a rule or a limit, one line each follows
// ("2027年3月2日 丁 的白班：休假（病假）"), then the choice.
inline const QString lockConflicts = QStringLiteral("以下锁定与休假、约束条件或人员限制冲突：");
inline const QString lockBreaks = QStringLiteral("：");
inline const QString reasonSeparator = QStringLiteral("；");
inline const QString keepConflictingLocks = QStringLiteral(
    "保留这些锁定吗？选“是”照锁定排班，冲突列在值班表的警告中；选“否”本次生成不考虑它们。");
inline const QString conflictingLocksKept = QStringLiteral(
    "照锁定排班，冲突列在值班表的警告中（加 --drop-conflicting-locks 则不考虑它们）。");
inline const QString conflictingLocksDropped = QStringLiteral("本次生成不考虑这些锁定。");
// Before a regeneration replaces shifts placed by hand that no lock keeps.
inline const QString handEditsLost = QStringLiteral(
    "重新生成将丢弃 %1 处未锁定的手工修改，且无法撤销（要保留的请先锁定）。继续吗？");
inline const QString handEditsReplaced = QStringLiteral("%1 处未锁定的手工修改已被替换。");
// A failed run leaves the last finished roster where it was kept.
inline const QString lastRosterKept = QStringLiteral("上一次完成的值班表已保存在排班存档：%1");
// A hand edit or its undo finds the roster changed by another program.
inline const QString rosterChangedElsewhere =
    QStringLiteral("排班存档已被另一个程序修改，请关闭后重新打开再修改。");
inline const QString rosterKept = QStringLiteral("值班表已保存为排班存档“%1”。");

} // namespace korvane::msg
