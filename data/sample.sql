-- 医院值班：一个内科病区一个月（2027 年 1 月）的护理排班。
--
-- The sample database is the template (schema and the three 全部 rows with
-- idid 1) plus the statements below. It shows every kind of setting once:
-- staff in several groups, a planning period with date groups, shifts with
-- headcounts above one, a shift that ends on the next day, shifts that exist
-- only on the dates of a date group, shift groups, and rules of every form.
-- A planner can press 生成值班表 right after loading it.
--
-- Membership strings: "zz", then for each group its idid and a "z"; the group
-- added last stands first (zz3z1z: group 3, then 全部). Every row is a member
-- of 全部 (idid 1), as the editors leave it.

-- ---------------------------------------------------------------------------
-- 值班人员组: staff groups. 全部 (idid 1) comes with the template.
--   2 护士长      the head nurse and her deputy: office duty on working days only
--   3 高年资护士  senior nurses (主管护师 and up): carry the weekend on-call shift
--   4 低年资护士  junior nurses
--   5 哺乳期护士  nursing mothers: no night duty
-- ---------------------------------------------------------------------------
INSERT INTO 值班人员组 (值班人员组名称, idid) VALUES
    ('护士长', 2),
    ('高年资护士', 3),
    ('低年资护士', 4),
    ('哺乳期护士', 5);

-- ---------------------------------------------------------------------------
-- 基本信息: 24 nurses. ID and IDID run 1..24; 家庭住址 is 0 as for a person
-- the staff editor adds; the run counters stay empty until the first run.
-- ---------------------------------------------------------------------------
INSERT INTO 基本信息 (ID, 姓名, 年龄, 性别, 籍贯, 政治面貌, 职称, 家庭住址, IDID, 所属组ID) VALUES
    -- 护士长
    (1, '王秀英', '48', '女', '湖北武汉', '中共党员', '主任护师', '0', 1, 'zz2z1z'),
    (2, '李春梅', '42', '女', '河南郑州', '中共党员', '副主任护师', '0', 2, 'zz2z1z'),
    -- 高年资护士
    (3, '张敏', '38', '女', '湖南长沙', '中共党员', '主管护师', '0', 3, 'zz3z1z'),
    (4, '刘洋', '45', '女', '山东济南', '群众', '主管护师', '0', 4, 'zz3z1z'),
    (5, '陈静', '36', '女', '江苏南京', '群众', '主管护师', '0', 5, 'zz5z3z1z'),
    (6, '杨丽华', '40', '女', '四川成都', '中共党员', '主管护师', '0', 6, 'zz3z1z'),
    (7, '赵红', '35', '女', '河北石家庄', '群众', '主管护师', '0', 7, 'zz3z1z'),
    (8, '黄伟', '33', '男', '广东广州', '群众', '主管护师', '0', 8, 'zz3z1z'),
    (9, '周婷', '34', '女', '浙江杭州', '中共党员', '主管护师', '0', 9, 'zz3z1z'),
    (10, '吴霞', '37', '女', '安徽合肥', '群众', '主管护师', '0', 10, 'zz3z1z'),
    (11, '徐静怡', '32', '女', '江西南昌', '群众', '主管护师', '0', 11, 'zz3z1z'),
    -- 低年资护士
    (12, '孙悦', '27', '女', '湖北宜昌', '共青团员', '护师', '0', 12, 'zz4z1z'),
    (13, '马丽', '26', '女', '陕西西安', '共青团员', '护师', '0', 13, 'zz4z1z'),
    (14, '朱晓燕', '29', '女', '福建福州', '群众', '护师', '0', 14, 'zz5z4z1z'),
    (15, '胡佳', '25', '女', '湖南岳阳', '共青团员', '护士', '0', 15, 'zz4z1z'),
    (16, '郭婷婷', '24', '女', '河南洛阳', '共青团员', '护士', '0', 16, 'zz4z1z'),
    (17, '何丹', '28', '女', '重庆', '群众', '护师', '0', 17, 'zz4z1z'),
    (18, '高晓峰', '26', '男', '山西太原', '共青团员', '护士', '0', 18, 'zz4z1z'),
    (19, '林雪', '23', '女', '福建厦门', '共青团员', '护士', '0', 19, 'zz4z1z'),
    (20, '罗佳琪', '25', '女', '广西南宁', '群众', '护士', '0', 20, 'zz4z1z'),
    (21, '郑欣怡', '24', '女', '浙江温州', '共青团员', '护士', '0', 21, 'zz4z1z'),
    (22, '梁静', '27', '女', '广东佛山', '群众', '护师', '0', 22, 'zz4z1z'),
    (23, '谢雨桐', '22', '女', '云南昆明', '共青团员', '护士', '0', 23, 'zz4z1z'),
    (24, '王芳', '30', '女', '辽宁沈阳', '群众', '护师', '0', 24, 'zz4z1z');

-- ---------------------------------------------------------------------------
-- 日期组: date groups.
--   2 工作日    Monday to Friday
--   3 周末      Saturday and Sunday
--   4 元旦假期  the New Year holiday, 1 to 3 January (also in 工作日/周末 by weekday)
-- ---------------------------------------------------------------------------
INSERT INTO 日期组 (日期组名称, idid) VALUES
    ('工作日', 2),
    ('周末', 3),
    ('元旦假期', 4);

-- ---------------------------------------------------------------------------
-- 日期类型: the planning period, one row per day in ascending order. The
-- reserved columns stay empty, as the date-range panel leaves them.
-- ---------------------------------------------------------------------------
INSERT INTO 日期类型 (日期, 所属日期组ID) VALUES
    ('2027-01-01', 'zz4z2z1z'),  -- 星期五
    ('2027-01-02', 'zz4z3z1z'),  -- 星期六
    ('2027-01-03', 'zz4z3z1z'),  -- 星期日
    ('2027-01-04', 'zz2z1z'),  -- 星期一
    ('2027-01-05', 'zz2z1z'),  -- 星期二
    ('2027-01-06', 'zz2z1z'),  -- 星期三
    ('2027-01-07', 'zz2z1z'),  -- 星期四
    ('2027-01-08', 'zz2z1z'),  -- 星期五
    ('2027-01-09', 'zz3z1z'),  -- 星期六
    ('2027-01-10', 'zz3z1z'),  -- 星期日
    ('2027-01-11', 'zz2z1z'),  -- 星期一
    ('2027-01-12', 'zz2z1z'),  -- 星期二
    ('2027-01-13', 'zz2z1z'),  -- 星期三
    ('2027-01-14', 'zz2z1z'),  -- 星期四
    ('2027-01-15', 'zz2z1z'),  -- 星期五
    ('2027-01-16', 'zz3z1z'),  -- 星期六
    ('2027-01-17', 'zz3z1z'),  -- 星期日
    ('2027-01-18', 'zz2z1z'),  -- 星期一
    ('2027-01-19', 'zz2z1z'),  -- 星期二
    ('2027-01-20', 'zz2z1z'),  -- 星期三
    ('2027-01-21', 'zz2z1z'),  -- 星期四
    ('2027-01-22', 'zz2z1z'),  -- 星期五
    ('2027-01-23', 'zz3z1z'),  -- 星期六
    ('2027-01-24', 'zz3z1z'),  -- 星期日
    ('2027-01-25', 'zz2z1z'),  -- 星期一
    ('2027-01-26', 'zz2z1z'),  -- 星期二
    ('2027-01-27', 'zz2z1z'),  -- 星期三
    ('2027-01-28', 'zz2z1z'),  -- 星期四
    ('2027-01-29', 'zz2z1z'),  -- 星期五
    ('2027-01-30', 'zz3z1z'),  -- 星期六
    ('2027-01-31', 'zz3z1z');  -- 星期日

-- ---------------------------------------------------------------------------
-- 班次组: shift groups.
--   2 白班组  the day shifts: 白班, 办公班
--   3 夜班组  the night shifts: 小夜班, 大夜班
-- ---------------------------------------------------------------------------
INSERT INTO 班次组 (班次组名称, idid) VALUES
    ('白班组', 2),
    ('夜班组', 3);

-- ---------------------------------------------------------------------------
-- banci: the shifts. 开始秒序/结束秒序 are the times in minutes after midnight,
-- the end plus 1440 when the shift ends on the next day. 连续次数 is one
-- setting shared by every shift: nobody works the same shift more than three
-- days running. Per working day 8 people are on duty, per weekend day 8.
--   白班      08:00-16:00  3 people, every day
--   办公班    08:00-17:30  1 person, working days only (admissions, paperwork)
--   周末听班  08:00-08:00 next day, 1 person on call, weekends only
--   小夜班    16:00-22:00  2 people, every day
--   大夜班    22:00-08:00 next day, 2 people, every day
-- ---------------------------------------------------------------------------
INSERT INTO banci (班次名称, idid, 起始时间, 次日, 终止时间, 备注, 连续次数, 最小连续天数,
                   班次级别, 分布日期, 所属组ID, 开始秒序, 结束秒序, 人数) VALUES
    ('白班', 1, '08:00', '不跨转', '16:00', '责任护理，晨间护理与治疗', '3', '无限制',
     0, '全部', 'zz2z1z', 480, 960, 3),
    ('办公班', 2, '08:00', '不跨转', '17:30', '处理医嘱、出入院手续', '3', '无限制',
     0, '工作日', 'zz2z1z', 480, 1050, 1),
    ('小夜班', 3, '16:00', '不跨转', '22:00', '晚间护理，接收急诊入院', '3', '无限制',
     0, '全部', 'zz3z1z', 960, 1320, 2),
    ('大夜班', 4, '22:00', '跨转至次日', '08:00', '夜间巡视，次日晨交班', '3', '无限制',
     0, '全部', 'zz3z1z', 1320, 1920, 2),
    ('周末听班', 5, '08:00', '跨转至次日', '08:00', '二线听班，电话随叫随到', '3', '无限制',
     0, '周末', 'zz1z', 480, 1920, 1);

-- ---------------------------------------------------------------------------
-- 排除条件: the ward's rules, read as sentences
-- "人员 排在 日期 的 班次 班". 选定日期组 / 选定班次组 are 1 when 日期 / 班次
-- name a group. Single dates are written yyyy-MM-dd.
-- ---------------------------------------------------------------------------
INSERT INTO 排除条件 (编号, 人员, 排在, 日期, 班次, 选定日期组, 选定班次组) VALUES
    -- The head nurses do only the office shift, and only on working days.
    (1, '护士长', '限排在', '工作日', '办公班', 1, 0),
    -- The office shift needs experience: no junior nurse takes it.
    (2, '低年资护士', '不排在', '工作日', '办公班', 1, 0),
    -- Nor do junior nurses carry the weekend on-call shift.
    (3, '低年资护士', '不排在', '周末', '周末听班', 1, 0),
    -- Nursing mothers never work nights (全部 is every date).
    (4, '哺乳期护士', '不排在', '全部', '夜班组', 1, 1),
    -- 刘洋 (health reasons): day shifts on working days only.
    (5, '刘洋', '限排在', '工作日', '白班组', 1, 1),
    -- 黄伟 asked for nights only.
    (6, '黄伟', '限排在', '全部', '夜班组', 1, 1),
    -- 周婷 is away on a training course; she is back only for the day shift of 30 January.
    (7, '周婷', '限排在', '2027-01-30', '白班', 0, 0),
    -- 张敏 has New Year's Day evening and night off.
    (8, '张敏', '不排在', '2027-01-01', '夜班组', 0, 1),
    -- 王芳 is on leave over the New Year holiday (班次组 全部: every shift).
    (9, '王芳', '不排在', '元旦假期', '全部', 1, 1),
    -- 何丹 attends an evening class on 20 January.
    (10, '何丹', '不排在', '2027-01-20', '小夜班', 0, 0),
    -- 吴霞 is seconded to the outpatient department; she helps on the ward
    -- only with a day shift on 23 January.
    (11, '吴霞', '限排在', '2027-01-23', '白班组', 0, 1);

-- ---------------------------------------------------------------------------
-- 排班目标: what the ward would like, priced per unit missed (权重). None of it
-- binds a run: the roster generated from the sample stays as it is, and the
-- score shows how well it meets these.
--   全部        no more than 5 working days in a row; no more than 3 nights
--               (夜班组) in a row
--   低年资护士  10 to 20 shifts in the month
--   高年资护士  weekends worked whole or not at all
--   黄伟        (nights only) at most 12 shifts
-- ---------------------------------------------------------------------------
INSERT INTO 排班目标 (对象, 对象IDID, 种类, 班次, 选定班次组, 最少, 最多, 权重) VALUES
    ('组', 1, '连续上班', NULL, 0, NULL, 5, 20),
    ('组', 1, '连续同班', '夜班组', 1, NULL, 3, 15),
    ('组', 4, '班数', NULL, 0, 10, 20, 10),
    ('组', 3, '完整周末', NULL, 0, NULL, NULL, 15),
    ('人员', 8, '班数', NULL, 0, NULL, 12, 10);

-- ---------------------------------------------------------------------------
-- 排班意愿: wishes the nurses handed in (想要 1: wants to work, 0: does not).
-- ---------------------------------------------------------------------------
INSERT INTO 排班意愿 (人员IDID, 开始日期, 结束日期, 班次, 选定班次组, 想要, 权重, 原因) VALUES
    (3, '2027-01-15', '2027-01-16', '全天', 0, 0, 20, '孩子家长会'),
    (12, '2027-01-18', '2027-01-22', '夜班组', 1, 1, 10, '白天上课'),
    (19, '2027-01-23', '2027-01-24', '全天', 0, 0, 30, '婚礼'),
    (7, '2027-01-09', '2027-01-09', '大夜班', 0, 0, 10, NULL),
    (16, '2027-01-29', '2027-01-31', '白班', 0, 1, 10, '春节前多上白班');

-- 理想人数: four on the day shift when staff allow (人数 3 is what a run fills).
INSERT INTO 理想人数 (班次IDID, 理想人数, 权重) VALUES (1, 4, 10);
