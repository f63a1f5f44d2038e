INSERT INTO diary(username,diarytitle,diarydate,diaryweek,diaryweather,diarytext) Values('张三', '杯具’', '2009-09-08', '星期二', '大雨', '第一行
第二行')