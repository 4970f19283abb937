<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ru_RU">
<context>
    <name>AnalysisPanel</name>
    <message>
        <source>Анализ</source>
        <extracomment>Heading of the analysis of a stored session</extracomment>
        <translation>Analysis</translation>
    </message>
    <message>
        <source>Последняя секунда, среднее</source>
        <extracomment>Heading: the means of the aiming over the last second before each shot</extracomment>
        <translation>Last second, mean</translation>
    </message>
</context>
<context>
    <name>ArchivePage</name>
    <message>
        <source>Организация</source>
        <translation>Organisation</translation>
    </message>
    <message>
        <source>Группа</source>
        <extracomment>Table column: the shooter&apos;s group (class) within the organization</extracomment>
        <translation>Group</translation>
    </message>
    <message>
        <source>Ф.И.О.</source>
        <extracomment>Table column: the shooter&apos;s full name</extracomment>
        <translation>Full name</translation>
    </message>
    <message>
        <source>Результат</source>
        <extracomment>Table column: the score in whole points</extracomment>
        <translation>Score</translation>
    </message>
    <message>
        <source>Место</source>
        <extracomment>Table column: the place in the competition&apos;s ranking</extracomment>
        <translation>Place</translation>
    </message>
    <message>
        <source>Результат 
(с дробными)</source>
        <extracomment>Table column: the score with decimal ring values</extracomment>
        <translation>Score 
(decimal)</translation>
    </message>
    <message>
        <source>Место по 
результату 
(с дробными)</source>
        <extracomment>Table column: the place by the score with decimal ring values</extracomment>
        <translation>Place by 
score 
(decimal)</translation>
    </message>
    <message>
        <source>УИНН</source>
        <extracomment>Table column: the person&apos;s identification number in the fitness-norm register</extracomment>
        <translation>UIN</translation>
    </message>
    <message>
        <source>Дата 
Рождения</source>
        <translation>Date 
of Birth</translation>
    </message>
    <message>
        <source>Пол</source>
        <extracomment>Table column: the person&apos;s sex (М or Ж as stored)</extracomment>
        <translation>Sex</translation>
    </message>
    <message>
        <source>Основное место 
работы (учёбы)</source>
        <extracomment>Table column: where the person works or studies</extracomment>
        <translation>Place of work 
(school)</translation>
    </message>
    <message>
        <source>Ступень</source>
        <extracomment>Table column: the age level of the fitness norm</extracomment>
        <translation>Level</translation>
    </message>
    <message>
        <source>Выполнение 
норматива</source>
        <extracomment>Table column: the grade reached in the fitness norm (gold, silver, ...)</extracomment>
        <translation>Standard 
achieved</translation>
    </message>
    <message>
        <source>Нагрудный 
номер</source>
        <extracomment>Table column: the start number worn on the chest</extracomment>
        <translation>Bib 
number</translation>
    </message>
    <message>
        <source>Спортивный 
разряд</source>
        <extracomment>Table column: the person&apos;s sports rating</extracomment>
        <translation>Sports 
rank</translation>
    </message>
    <message>
        <source>Архив соревнований</source>
        <translation>Competition archive</translation>
    </message>
    <message>
        <source>Обновить</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>СОРЕВНОВАНИЯ</source>
        <extracomment>Heading of the list of competitions</extracomment>
        <translation>COMPETITIONS</translation>
    </message>
    <message>
        <source>ГТО</source>
        <extracomment>Heading of the list of fitness-norm events</extracomment>
        <translation>GTO</translation>
    </message>
    <message>
        <source>Не удалось загрузить таблицу: база данных недоступна</source>
        <translation>Could not load the table: the database is unavailable</translation>
    </message>
</context>
<context>
    <name>AreYouSureDialog</name>
    <message>
        <source>Вы действительно хотите удалить пользователя?</source>
        <translation>Do you really want to delete the shooter?</translation>
    </message>
    <message>
        <source>Вы уверены?</source>
        <translation>Are you sure?</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CalibrationShotList</name>
    <message>
        <source>Пробные Выстрелы</source>
        <extracomment>Heading of the list of trial (sighting) shots</extracomment>
        <translation>Sighting Shots</translation>
    </message>
</context>
<context>
    <name>Catalog</name>
    <message>
        <source>[Все организации]</source>
        <extracomment>First entry of the organisation filter: no filter</extracomment>
        <translation>[All organisations]</translation>
    </message>
    <message>
        <source>[Все группы]</source>
        <extracomment>First entry of the group filter: no filter</extracomment>
        <translation>[All groups]</translation>
    </message>
    <message>
        <source>Не удалось удалить сессию: %1</source>
        <translation>Could not delete the session: %1</translation>
    </message>
    <message>
        <source>Не удалось удалить пользователя: %1</source>
        <translation>Could not delete the shooter: %1</translation>
    </message>
    <message>
        <source>Не удалось сохранить стрелков: %1</source>
        <translation>Could not save the shooters: %1</translation>
    </message>
    <message>
        <source>Не удалось прочитать базу данных: %1</source>
        <translation>Could not read the database: %1</translation>
    </message>
    <message>
        <source>Не удалось сохранить стрелка: %1</source>
        <translation>Could not save the shooter: %1</translation>
    </message>
</context>
<context>
    <name>CatalogPage</name>
    <message>
        <source>%1 | Дистанция %2 м | Калибр %3 мм | Результат %4</source>
        <extracomment>Printed under the header of a session sheet: %1 target face, %2 distance (m), %3 caliber (mm), %4 score</extracomment>
        <translation>%1 | Distance %2 m | Calibre %3 mm | Score %4</translation>
    </message>
    <message>
        <source>Архив стрельб</source>
        <translation>Shooting archive</translation>
    </message>
    <message>
        <source>Не удалось прочитать базу данных</source>
        <translation>Could not read the database</translation>
    </message>
    <message>
        <source>У стрелка нет сессий</source>
        <translation>The shooter has no sessions</translation>
    </message>
    <message>
        <source>Не удалось загрузить сессии: база данных недоступна</source>
        <translation>Could not load the sessions: the database is unavailable</translation>
    </message>
    <message>
        <source>Вы действительно хотите удалить сессию?</source>
        <translation>Do you really want to delete the session?</translation>
    </message>
</context>
<context>
    <name>DatabaseGroup</name>
    <message>
        <source>Удаление Базы Данных:</source>
        <translation>Delete Database:</translation>
    </message>
    <message>
        <source>Удалить Базу Данных</source>
        <translation>Delete Database</translation>
    </message>
</context>
<context>
    <name>DatabaseLocationGroup</name>
    <message>
        <source>База данных:</source>
        <translation>Database:</translation>
    </message>
    <message>
        <source>Локальный файл</source>
        <translation>Local file</translation>
    </message>
    <message>
        <source>Сервер клуба</source>
        <extracomment>The database on the club&apos;s shared server</extracomment>
        <translation>Club server</translation>
    </message>
    <message>
        <source>Адрес: </source>
        <extracomment>The server&apos;s address</extracomment>
        <translation>Address: </translation>
    </message>
    <message>
        <source>Файл: </source>
        <extracomment>The path of the local database file</extracomment>
        <translation>File: </translation>
    </message>
    <message>
        <source>postgresql://сервер/база</source>
        <extracomment>Example of a server address; &quot;postgresql://&quot; stays as it is</extracomment>
        <translation>postgresql://server/database</translation>
    </message>
    <message>
        <source>Проверить</source>
        <extracomment>Tries the database connection without changing anything</extracomment>
        <translation>Test</translation>
    </message>
    <message>
        <source>Применить</source>
        <extracomment>Stores the database location for the next start</extracomment>
        <translation>Apply</translation>
    </message>
</context>
<context>
    <name>DatabaseSettings</name>
    <message>
        <source>Адрес не подходит: %1</source>
        <translation>Invalid address: %1</translation>
    </message>
    <message>
        <source>Адрес сервера пишется так: postgresql://[пользователь@]сервер[:порт]/база</source>
        <extracomment>Keep &quot;postgresql://&quot;, the brackets, &quot;:&quot; and &quot;/&quot;; translate the words</extracomment>
        <translation>A server address is written as: postgresql://[user@]server[:port]/database</translation>
    </message>
    <message>
        <source>Для локального файла нужен путь к файлу, а не адрес сервера</source>
        <translation>A local file needs a path to the file, not a server address</translation>
    </message>
    <message>
        <source>Файла ещё нет: он будет создан при первом запуске с ним</source>
        <translation>The file does not exist yet: it will be created on the first start that uses it</translation>
    </message>
    <message>
        <source>Подключение есть. Версия схемы: %1; стрелков: %2, упражнений: %3, трасс: %4, выстрелов: %5</source>
        <extracomment>Database check: %1 schema version, then counts of shooters, sessions (exercises), traces and shots</extracomment>
        <translation>Connected. Schema version: %1; shooters: %2, exercises: %3, traces: %4, shots: %5</translation>
    </message>
    <message>
        <source>Не удалось подключиться: %1</source>
        <translation>Could not connect: %1</translation>
    </message>
    <message>
        <source>база данных не открылась</source>
        <translation>the database did not open</translation>
    </message>
    <message>
        <source>Проверка...</source>
        <translation>Checking...</translation>
    </message>
    <message>
        <source>Не удалось сохранить настройку</source>
        <translation>Could not save the setting</translation>
    </message>
    <message>
        <source>Сохранено. Программа запущена с --database: настройка подействует при запуске без него</source>
        <translation>Saved. The program was started with --database: the setting takes effect when started without it</translation>
    </message>
    <message>
        <source>Сохранено. База данных сменится после перезапуска программы</source>
        <translation>Saved. The database will change after the program restarts</translation>
    </message>
    <message>
        <source>Сохранено</source>
        <translation>Saved</translation>
    </message>
</context>
<context>
    <name>DeleteDatabaseDialog</name>
    <message>
        <source>Удаление базы данных</source>
        <translation>Delete database</translation>
    </message>
    <message>
        <source>Внимание!</source>
        <translation>Warning!</translation>
    </message>
    <message>
        <source>База Данных, содержащая информацию о пользователях,</source>
        <extracomment>First line of a sentence that goes on in the next one</extracomment>
        <translation>The database containing information about shooters,</translation>
    </message>
    <message>
        <source>результатах тренировок и соревнований будет удалена!</source>
        <extracomment>Second line of the sentence begun in the line before</extracomment>
        <translation>training and competition results will be deleted!</translation>
    </message>
    <message>
        <source>Приложение будет закрыто!</source>
        <translation>The program will be closed!</translation>
    </message>
    <message>
        <source>Я подтверждаю удаление базы данных</source>
        <translation>I confirm deleting the database</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>DemoSetup</name>
    <message>
        <source>Демо %1</source>
        <translation>Demo %1</translation>
    </message>
</context>
<context>
    <name>DistanceChoiceGroup</name>
    <message>
        <source> m</source>
        <extracomment>Unit after a distance typed in (metres), with its leading space; Latin letters only</extracomment>
        <translation> m</translation>
    </message>
    <message>
        <source>Подтвердить</source>
        <extracomment>Ticked to confirm the distance chosen</extracomment>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>FitnessNorm</name>
    <message>
        <source>Неуд</source>
        <extracomment>Fitness-norm grade: the norm is not met</extracomment>
        <translation>Fail</translation>
    </message>
    <message>
        <source>Бронза</source>
        <extracomment>Fitness-norm grade (badge)</extracomment>
        <translation>Bronze</translation>
    </message>
    <message>
        <source>Серебро</source>
        <extracomment>Fitness-norm grade (badge)</extracomment>
        <translation>Silver</translation>
    </message>
    <message>
        <source>Золото</source>
        <extracomment>Fitness-norm grade (badge)</extracomment>
        <translation>Gold</translation>
    </message>
</context>
<context>
    <name>GeneralSettingsGroup</name>
    <message>
        <source>Общие:</source>
        <extracomment>The settings that apply to the whole program</extracomment>
        <translation>General:</translation>
    </message>
    <message>
        <source>Запрашивать подтверждение при закрытии программы</source>
        <translation>Ask for confirmation when closing the program</translation>
    </message>
    <message>
        <source>Звук выстрела во время стрельбы</source>
        <translation>Shot sound while shooting</translation>
    </message>
    <message>
        <source>Звук выстрела во время повтора траектории</source>
        <extracomment>Play the shot sound while a recorded aiming trace is replayed</extracomment>
        <translation>Shot sound while replaying a trace</translation>
    </message>
</context>
<context>
    <name>LaneBindingRow</name>
    <message>
        <source>Щит %1</source>
        <extracomment>A lane (shooting position): %1 its number</extracomment>
        <translation>Lane %1</translation>
    </message>
    <message>
        <source>не подключен</source>
        <extracomment>No sensor is bound to the lane</extracomment>
        <translation>not connected</translation>
    </message>
    <message>
        <source>%1
не подключен</source>
        <extracomment>%1: the serial number of the lane&apos;s sensor, which is not plugged in</extracomment>
        <translation>%1
not connected</translation>
    </message>
    <message>
        <source>Применить</source>
        <extracomment>Binds the sensor picked in the list to the lane</extracomment>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Очистить</source>
        <extracomment>Unbinds the lane&apos;s sensor</extracomment>
        <translation>Clear</translation>
    </message>
</context>
<context>
    <name>LanesGroup</name>
    <message>
        <source>Сенсор уже используется</source>
        <extracomment>The sensor picked is bound to another lane</extracomment>
        <translation>Sensor already in use</translation>
    </message>
    <message>
        <source>Щиты:</source>
        <extracomment>The lanes (shooting positions) and their sensors</extracomment>
        <translation>Lanes:</translation>
    </message>
    <message>
        <source>Количество щитов</source>
        <translation>Number of lanes</translation>
    </message>
    <message>
        <source>Подключенные сенсоры</source>
        <translation>Connected sensors</translation>
    </message>
</context>
<context>
    <name>LibModel::Storage</name>
    <message>
        <source>[Все организации]</source>
        <extracomment>First entry of the organisation filter: no filter</extracomment>
        <translation>[All organisations]</translation>
    </message>
    <message>
        <source>[Все группы]</source>
        <extracomment>First entry of the group filter: no filter</extracomment>
        <translation>[All groups]</translation>
    </message>
</context>
<context>
    <name>LoadFailure</name>
    <message>
        <source>Повторить</source>
        <extracomment>Tries again to read what failed</extracomment>
        <translation>Retry</translation>
    </message>
</context>
<context>
    <name>MainToolBar</name>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Стрельба</source>
        <extracomment>Tool-bar button: the page of the lanes, where the shooting happens</extracomment>
        <translation>Shooting</translation>
    </message>
    <message>
        <source>Архив стрельб</source>
        <translation>Shooting archive</translation>
    </message>
    <message>
        <source>Архив соревнований</source>
        <translation>Competition archive</translation>
    </message>
    <message>
        <source>Печать мишеней</source>
        <translation>Print targets</translation>
    </message>
    <message>
        <source>Не сохранено: %1</source>
        <extracomment>Number of finished sessions not yet stored in the database</extracomment>
        <translation>Unsaved: %1</translation>
    </message>
    <message>
        <source>Полноэкранный режим</source>
        <translation>Full screen</translation>
    </message>
</context>
<context>
    <name>MicrophoneSlider</name>
    <message>
        <source>Высокая</source>
        <extracomment>The most sensitive end of the microphone slider</extracomment>
        <translation>High</translation>
    </message>
    <message>
        <source>Грубая</source>
        <extracomment>The least sensitive end of the microphone slider</extracomment>
        <translation>Coarse</translation>
    </message>
</context>
<context>
    <name>PrintBar</name>
    <message>
        <source>Шапка...</source>
        <extracomment>Placeholder of the header line typed in for a printout</extracomment>
        <translation>Header...</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Print Preview</source>
        <translation>Print Preview</translation>
    </message>
</context>
<context>
    <name>PrinterPage</name>
    <message>
        <source>Мишень %1 / Иммитируемая дистанция %2м / Реальная дистанция %3м</source>
        <extracomment>The printed target&apos;s caption: %1 target face, %2 distance it is made for (m), %3 distance it hangs at (m)</extracomment>
        <translation>Target %1 / Simulated distance %2m / Actual distance %3m</translation>
    </message>
    <message>
        <source>Печать мишеней</source>
        <translation>Print targets</translation>
    </message>
    <message>
        <source>Реальная дистанция до мишени:</source>
        <extracomment>The distance at which the printed target will hang</extracomment>
        <translation>Actual distance to target:</translation>
    </message>
    <message>
        <source>3 метра</source>
        <translation>3 metres</translation>
    </message>
    <message>
        <source>5 метров</source>
        <translation>5 metres</translation>
    </message>
    <message>
        <source>10 метров</source>
        <translation>10 metres</translation>
    </message>
    <message>
        <source>15 метров</source>
        <translation>15 metres</translation>
    </message>
    <message>
        <source>20 метров</source>
        <translation>20 metres</translation>
    </message>
    <message>
        <source>25 метров</source>
        <translation>25 metres</translation>
    </message>
    <message>
        <source>50 метров</source>
        <translation>50 metres</translation>
    </message>
    <message>
        <source>100 метров</source>
        <translation>100 metres</translation>
    </message>
    <message>
        <source>Произвольная дистанция</source>
        <extracomment>Last entry of the distances: any distance, typed in</extracomment>
        <translation>Custom distance</translation>
    </message>
    <message>
        <source>Иммитируемая дистанция:</source>
        <extracomment>The shooting distance the printed target is scaled for</extracomment>
        <translation>Simulated distance:</translation>
    </message>
    <message>
        <source>Упрощенная печать</source>
        <extracomment>Prints the target without its optional elements</extracomment>
        <translation>Simplified print</translation>
    </message>
    <message>
        <source>Print Target</source>
        <translation>Print Target</translation>
    </message>
    <message>
        <source>Print Preview</source>
        <translation>Print Preview</translation>
    </message>
</context>
<context>
    <name>ProgressChart</name>
    <message>
        <source>тренд по последним %1 сессиям</source>
        <extracomment>Legend of the dashed trend line; %1 is a number of sessions (10)</extracomment>
        <translation>trend over the last %1 sessions</translation>
    </message>
    <message>
        <source>Средний балл</source>
        <extracomment>Panel label: the mean score per shot of each session</extracomment>
        <translation>Mean score</translation>
    </message>
    <message>
        <source>Средний радиус, мм</source>
        <extracomment>Panel label: the mean radius of each session&apos;s group, in millimetres</extracomment>
        <translation>Mean radius, mm</translation>
    </message>
    <message>
        <source>Мишень %1, сессий: %2</source>
        <extracomment>Chart title: %1 the target face&apos;s name, %2 the number of sessions</extracomment>
        <translation>Target %1, sessions: %2</translation>
    </message>
    <message>
        <source>dd.MM hh:mm</source>
        <translation>MM-dd hh:mm</translation>
    </message>
    <message>
        <source>dd.MM.yyyy</source>
        <translation>yyyy-MM-dd</translation>
    </message>
</context>
<context>
    <name>ProgressPrintout</name>
    <message>
        <source>Дата</source>
        <extracomment>Column heading: date and time of the session</extracomment>
        <translation>Date</translation>
    </message>
    <message>
        <source>Мишень</source>
        <extracomment>Column heading: the target face</extracomment>
        <translation>Target</translation>
    </message>
    <message>
        <source>Выстрелов</source>
        <extracomment>Column heading: the number of shots</extracomment>
        <translation>Shots</translation>
    </message>
    <message>
        <source>Результат</source>
        <extracomment>Column heading: the session&apos;s score</extracomment>
        <translation>Score</translation>
    </message>
    <message>
        <source>Средний балл</source>
        <extracomment>Column heading: the mean score per shot</extracomment>
        <translation>Mean score</translation>
    </message>
    <message>
        <source>Средний радиус, мм</source>
        <extracomment>Column heading: the mean radius of the group, in millimetres</extracomment>
        <translation>Mean radius, mm</translation>
    </message>
    <message>
        <source>Прогресс стрелка: %1</source>
        <extracomment>Heading of the first page: %1 is the shooter&apos;s name</extracomment>
        <translation>Shooter&apos;s progress: %1</translation>
    </message>
    <message>
        <source>%1, лист %2</source>
        <extracomment>Heading of further pages: %1 the shooter&apos;s name, %2 the page (sheet) number</extracomment>
        <translation>%1, page %2</translation>
    </message>
    <message>
        <source>dd.MM.yyyy hh:mm</source>
        <extracomment>A session&apos;s date and time, as QDateTime::toString takes it</extracomment>
        <translation>yyyy-MM-dd hh:mm</translation>
    </message>
</context>
<context>
    <name>ProtocolTable</name>
    <message>
        <source>Ф.И.О.</source>
        <extracomment>Column heading: full name</extracomment>
        <translation>Full name</translation>
    </message>
    <message>
        <source>УИНН</source>
        <extracomment>Column heading: the fitness-norm participant&apos;s identification number</extracomment>
        <translation>UIN</translation>
    </message>
    <message>
        <source>Дата
Рождения</source>
        <extracomment>Column heading: date of birth; a line break splits it (three lines at most)</extracomment>
        <translation>Date of
Birth</translation>
    </message>
    <message>
        <source>Пол</source>
        <extracomment>Column heading: the shooter&apos;s sex</extracomment>
        <translation>Sex</translation>
    </message>
    <message>
        <source>Основное место
учёбы (работы)</source>
        <extracomment>Column heading: the shooter&apos;s school or place of work; a line break splits it (three lines at most)</extracomment>
        <translation>School
(workplace)</translation>
    </message>
    <message>
        <source>Ступень</source>
        <extracomment>Column heading: the fitness-norm age class</extracomment>
        <translation>Level</translation>
    </message>
    <message>
        <source>Результат</source>
        <extracomment>Column heading: the shooter&apos;s score</extracomment>
        <translation>Score</translation>
    </message>
    <message>
        <source>Выполнение
норматива</source>
        <extracomment>Column heading: the fitness-norm grade reached; a line break splits it (three lines at most)</extracomment>
        <translation>Standard
achieved</translation>
    </message>
    <message>
        <source>Нагрудный
номер</source>
        <extracomment>Column heading: bib number; a line break splits it (three lines at most)</extracomment>
        <translation>Bib
number</translation>
    </message>
    <message>
        <source>Спортивный
разряд</source>
        <extracomment>Column heading: sports rank; a line break splits it (three lines at most)</extracomment>
        <translation>Sports
rank</translation>
    </message>
    <message>
        <source>Организация</source>
        <extracomment>Column heading: the shooter&apos;s club or school</extracomment>
        <translation>Organisation</translation>
    </message>
    <message>
        <source>Группа</source>
        <extracomment>Column heading: the shooter&apos;s group or school class (not a group of shots)</extracomment>
        <translation>Group</translation>
    </message>
    <message>
        <source>Место</source>
        <extracomment>Column heading: the ranking place (not a location)</extracomment>
        <translation>Place</translation>
    </message>
    <message>
        <source>Результат
(дробные)</source>
        <extracomment>Column heading: the score with decimals; a line break splits it (three lines at most)</extracomment>
        <translation>Score
(decimal)</translation>
    </message>
    <message>
        <source>Место по
результату
с дробными</source>
        <extracomment>Column heading: the ranking place by the score with decimals; a line break splits it (three lines at most)</extracomment>
        <translation>Place by
decimal
score</translation>
    </message>
</context>
<context>
    <name>QuitDialog</name>
    <message>
        <source>КАВРО</source>
        <extracomment>The program&apos;s name as the title of the dialog that asks before it closes</extracomment>
        <translation>KAVRO</translation>
    </message>
    <message>
        <source>Вы уверены что хотите закрыть программу?</source>
        <translation>Are you sure you want to close the program?</translation>
    </message>
    <message>
        <source>Не сохранено сессий: %1. Они будут сохранены при следующем запуске.</source>
        <extracomment>%1: sessions kept on the disk that the database has not taken yet</extracomment>
        <translation>Unsaved sessions: %1. They will be saved at the next start.</translation>
    </message>
    <message>
        <source>Не записано на диск сессий: %1. При закрытии программы они будут потеряны.</source>
        <extracomment>%1: sessions that could not even be written to the disk</extracomment>
        <translation>Sessions not written to disk: %1. They will be lost when the program closes.</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>RangeItem</name>
    <message>
        <source>Щит №%1. </source>
        <extracomment>Put before the titles of a lane&apos;s screens when there are several lanes: %1 the lane&apos;s number</extracomment>
        <translation>Lane %1. </translation>
    </message>
    <message>
        <source>Устройство не подключено</source>
        <extracomment>The lane&apos;s sensor is bound but not plugged in</extracomment>
        <translation>Device not connected</translation>
    </message>
    <message>
        <source>Настройте оборудование</source>
        <extracomment>No sensor is bound to the lane yet</extracomment>
        <translation>Set up the equipment</translation>
    </message>
    <message>
        <source>Выберите Режим стрельбы в настройках!</source>
        <translation>Choose the shooting mode in Settings!</translation>
    </message>
</context>
<context>
    <name>RangeItemAddShooter</name>
    <message>
        <source>Новый пользователь</source>
        <extracomment>Title of the screen that adds a shooter</extracomment>
        <translation>New shooter</translation>
    </message>
    <message>
        <source>Организация: </source>
        <translation>Organisation: </translation>
    </message>
    <message>
        <source>Группа (Класс): </source>
        <extracomment>The shooter&apos;s group (class) within the organization</extracomment>
        <translation>Group (Class): </translation>
    </message>
    <message>
        <source>Ф.И.О:</source>
        <extracomment>The shooter&apos;s full name</extracomment>
        <translation>Full name:</translation>
    </message>
    <message>
        <source>УИНН: </source>
        <extracomment>The person&apos;s identification number in the fitness-norm register</extracomment>
        <translation>UIN: </translation>
    </message>
    <message>
        <source>Дата рождения (дд.мм.гггг):</source>
        <extracomment>The field takes the date as day.month.year in digits, whatever the language</extracomment>
        <translation>Date of birth (dd.mm.yyyy):</translation>
    </message>
    <message>
        <source>Дата рождения... (дд.мм.гггг)</source>
        <extracomment>The field takes the date as day.month.year in digits, whatever the language</extracomment>
        <translation>Date of birth... (dd.mm.yyyy)</translation>
    </message>
    <message>
        <source>Возраст: </source>
        <translation>Age: </translation>
    </message>
    <message>
        <source>Ступень: </source>
        <extracomment>The age level of the fitness norm</extracomment>
        <translation>Level: </translation>
    </message>
    <message>
        <source>Пол: </source>
        <extracomment>The person&apos;s sex</extracomment>
        <translation>Sex: </translation>
    </message>
    <message>
        <source>М</source>
        <extracomment>Sex: male, one letter</extracomment>
        <translation>M</translation>
    </message>
    <message>
        <source>Ж</source>
        <extracomment>Sex: female, one letter</extracomment>
        <translation>F</translation>
    </message>
    <message>
        <source>Нагрудный номер: </source>
        <extracomment>The start number worn on the chest</extracomment>
        <translation>Bib number: </translation>
    </message>
    <message>
        <source>Спортивный разряд: </source>
        <extracomment>The person&apos;s sports rating</extracomment>
        <translation>Sports rank: </translation>
    </message>
    <message>
        <source>Такой пользователь уже существует</source>
        <translation>This shooter already exists</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Продолжить</source>
        <translation>Continue</translation>
    </message>
</context>
<context>
    <name>RangeItemCalibration</name>
    <message>
        <source>Калибровка</source>
        <extracomment>Title of the lane&apos;s calibration screen</extracomment>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>Чувствительность микрофона:</source>
        <extracomment>How loud a sound must be to count as a shot</extracomment>
        <translation>Microphone sensitivity:</translation>
    </message>
    <message>
        <source>Сверхчувствительный режим</source>
        <extracomment>Shot detection that reacts to the faintest trigger sound</extracomment>
        <translation>Ultra-sensitive mode</translation>
    </message>
    <message>
        <source>Среднее: %1;  %2</source>
        <extracomment>The mean point of the calibration shots: %1 x, %2 y</extracomment>
        <translation>Mean: %1;  %2</translation>
    </message>
    <message>
        <source>Назад</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>Очистить</source>
        <extracomment>Forgets the calibration shots so far</extracomment>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Продолжить</source>
        <translation>Continue</translation>
    </message>
</context>
<context>
    <name>RangeItemSelectShooter</name>
    <message>
        <source>Выберите пользователя</source>
        <extracomment>Title of the screen that picks the lane&apos;s shooter</extracomment>
        <translation>Select shooter</translation>
    </message>
    <message>
        <source>Организация:</source>
        <translation>Organisation:</translation>
    </message>
    <message>
        <source>Группа (Класс):</source>
        <extracomment>The shooter&apos;s group (class) within the organization</extracomment>
        <translation>Group (Class):</translation>
    </message>
    <message>
        <source>Ф.И.О.:</source>
        <extracomment>The shooter&apos;s full name</extracomment>
        <translation>Full name:</translation>
    </message>
    <message>
        <source>Поиск по имени...</source>
        <translation>Search by name...</translation>
    </message>
    <message>
        <source>Создать нового пользователя</source>
        <translation>Create new shooter</translation>
    </message>
    <message>
        <source>Удалить пользователя</source>
        <translation>Delete shooter</translation>
    </message>
    <message>
        <source>Назад</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>Продолжить</source>
        <translation>Continue</translation>
    </message>
</context>
<context>
    <name>RangeItemSettings</name>
    <message>
        <source>№ 8</source>
        <extracomment>Short name of the target face №8</extracomment>
        <translation>№ 8</translation>
    </message>
    <message>
        <source>№ 9</source>
        <extracomment>Short name of the target face №9</extracomment>
        <translation>№ 9</translation>
    </message>
    <message>
        <source>№ 7</source>
        <extracomment>Short name of the target face №7</extracomment>
        <translation>№ 7</translation>
    </message>
    <message>
        <source>№ 4</source>
        <extracomment>Short name of the target face №4</extracomment>
        <translation>№ 4</translation>
    </message>
    <message>
        <source>№ 4г</source>
        <extracomment>Short name of the target face &quot;№4 грудная&quot; (chest figure)</extracomment>
        <translation>№ 4 chest</translation>
    </message>
    <message>
        <source>Параметры стрельбы</source>
        <extracomment>Title of the screen with the settings of the lane&apos;s next exercise</extracomment>
        <translation>Shooting settings</translation>
    </message>
    <message>
        <source>Дистанция до мишени:</source>
        <translation>Distance to target:</translation>
    </message>
    <message>
        <source>5 метров</source>
        <translation>5 metres</translation>
    </message>
    <message>
        <source>10 метров</source>
        <translation>10 metres</translation>
    </message>
    <message>
        <source>25 метров</source>
        <translation>25 metres</translation>
    </message>
    <message>
        <source>50 метров</source>
        <translation>50 metres</translation>
    </message>
    <message>
        <source>100 метров</source>
        <translation>100 metres</translation>
    </message>
    <message>
        <source>Произвольная дистанция</source>
        <extracomment>Last entry of the distances: any distance, typed in</extracomment>
        <translation>Custom distance</translation>
    </message>
    <message>
        <source> m</source>
        <extracomment>Unit after a distance typed in (metres), with its leading space; Latin letters only</extracomment>
        <translation> m</translation>
    </message>
    <message>
        <source>Калибр:</source>
        <translation>Calibre:</translation>
    </message>
    <message>
        <source>%1 мм</source>
        <extracomment>A caliber: %1 millimetres</extracomment>
        <translation>%1 mm</translation>
    </message>
    <message>
        <source>Произвольный калибр</source>
        <extracomment>Last entry of the calibers: any caliber, typed in</extracomment>
        <translation>Custom calibre</translation>
    </message>
    <message>
        <source> mm</source>
        <extracomment>Unit after a caliber typed in (millimetres), with its leading space; Latin letters only</extracomment>
        <translation> mm</translation>
    </message>
    <message>
        <source>Масштаб калибра пробоины для отображения:</source>
        <extracomment>How much larger than the caliber the shot holes are drawn</extracomment>
        <translation>Shot hole display scale:</translation>
    </message>
    <message>
        <source>Ограничения:</source>
        <extracomment>Limits on the numbers of shots</extracomment>
        <translation>Limits:</translation>
    </message>
    <message>
        <source>Количество пробных выстрелов:</source>
        <translation>Number of sighting shots:</translation>
    </message>
    <message>
        <source>Количество зачетных выстрелов:</source>
        <translation>Number of match shots:</translation>
    </message>
    <message>
        <source>Поправка</source>
        <extracomment>How the lane&apos;s centre is corrected during the exercise</extracomment>
        <translation>Correction</translation>
    </message>
    <message>
        <source>Автоматическая</source>
        <extracomment>Correction: automatic</extracomment>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>Ручная</source>
        <extracomment>Correction: by hand</extracomment>
        <translation>Manual</translation>
    </message>
    <message>
        <source>Калибровка</source>
        <extracomment>Whether the exercise starts with a calibration of the sensor</extracomment>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>С калибровкой</source>
        <translation>With calibration</translation>
    </message>
    <message>
        <source>Без калибровки</source>
        <translation>Without calibration</translation>
    </message>
    <message>
        <source>Мишень</source>
        <extracomment>The target face of the exercise</extracomment>
        <translation>Target</translation>
    </message>
    <message>
        <source>Габариты бланка мишени: %1x%2 мм</source>
        <extracomment>The size of the target&apos;s paper: %1 width, %2 height in millimetres</extracomment>
        <translation>Target sheet size: %1x%2 mm</translation>
    </message>
    <message>
        <source>Диаметр прицельного яблока: %1 мм</source>
        <extracomment>The diameter of the target&apos;s black aiming mark in millimetres</extracomment>
        <translation>Aiming mark diameter: %1 mm</translation>
    </message>
    <message>
        <source>Назад</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>Продолжить</source>
        <translation>Continue</translation>
    </message>
</context>
<context>
    <name>RangeItemShooting</name>
    <message>
        <source>Стрельба ГТО</source>
        <extracomment>In the lane&apos;s title in place of the distance: a fitness-norm exercise</extracomment>
        <translation>GTO fitness shooting</translation>
    </message>
    <message>
        <source>%1 м</source>
        <extracomment>In the lane&apos;s title: the distance in metres</extracomment>
        <translation>%1 m</translation>
    </message>
    <message>
        <source>Стрельба Окончена</source>
        <translation>Shooting Finished</translation>
    </message>
    <message>
        <source>Группа</source>
        <extracomment>Heading: the group (spread) of the exercise&apos;s shots on the target</extracomment>
        <translation>Shot group</translation>
    </message>
    <message>
        <source>Закончить стрельбу</source>
        <translation>Finish shooting</translation>
    </message>
    <message>
        <source>Поправка</source>
        <extracomment>Corrects the lane&apos;s centre by the marked trial shots</extracomment>
        <translation>Correction</translation>
    </message>
    <message>
        <source>Поправка по последнему выстрелу</source>
        <extracomment>Corrects the lane&apos;s centre by the last shot</extracomment>
        <translation>Correct by last shot</translation>
    </message>
</context>
<context>
    <name>ReplayBar</name>
    <message>
        <source>%1 ms</source>
        <extracomment>A time on the replayed trace in milliseconds</extracomment>
        <translation>%1 ms</translation>
    </message>
    <message>
        <source>speed %1%</source>
        <extracomment>The replay speed in percent of real time</extracomment>
        <translation>speed %1%</translation>
    </message>
</context>
<context>
    <name>SessionAnalysisView</name>
    <message>
        <source>мм</source>
        <extracomment>Unit: millimetres</extracomment>
        <translation>mm</translation>
    </message>
    <message>
        <source>Попаданий</source>
        <extracomment>Number of hits in the group</extracomment>
        <translation>Hits</translation>
    </message>
    <message>
        <source>СТП по горизонтали</source>
        <extracomment>Mean point of impact (СТП), horizontal</extracomment>
        <translation>MPI horizontal</translation>
    </message>
    <message>
        <source>СТП по вертикали</source>
        <extracomment>Mean point of impact (СТП), vertical</extracomment>
        <translation>MPI vertical</translation>
    </message>
    <message>
        <source>Наибольший разброс</source>
        <extracomment>Extreme spread of the group</extracomment>
        <translation>Extreme spread</translation>
    </message>
    <message>
        <source>Средний радиус</source>
        <translation>Mean radius</translation>
    </message>
    <message>
        <source>СКО по горизонтали</source>
        <extracomment>Standard deviation (СКО), horizontal</extracomment>
        <translation>SD horizontal</translation>
    </message>
    <message>
        <source>СКО по вертикали</source>
        <extracomment>Standard deviation (СКО), vertical</extracomment>
        <translation>SD vertical</translation>
    </message>
    <message>
        <source>Средний результат</source>
        <extracomment>Mean score of the shots</extracomment>
        <translation>Mean score</translation>
    </message>
    <message>
        <source>Радиус удержания</source>
        <extracomment>Radius of the aiming hold before the shot</extracomment>
        <translation>Hold radius</translation>
    </message>
    <message>
        <source>Уход при выстреле</source>
        <extracomment>How far the aim moved as the shot went off</extracomment>
        <translation>Aim shift at shot</translation>
    </message>
    <message>
        <source>Время в десятке</source>
        <extracomment>Share of the aiming time spent inside the ten ring</extracomment>
        <translation>Time in the 10</translation>
    </message>
    <message>
        <source>Скорость за 0,25 с</source>
        <extracomment>Aiming speed over the last 0.25 s before the shot</extracomment>
        <translation>Speed over 0.25 s</translation>
    </message>
    <message>
        <source>мм/с</source>
        <extracomment>Unit: millimetres per second</extracomment>
        <translation>mm/s</translation>
    </message>
    <message>
        <source>Выстрел %1</source>
        <extracomment>Title of the picked shot&apos;s values: its number in the session</extracomment>
        <translation>Shot %1</translation>
    </message>
</context>
<context>
    <name>SessionBrowser</name>
    <message numerus="yes">
        <source>%1
%n выстрелов. %2</source>
        <extracomment>A session in the list: %1 date and time, %n shots, %2 the session&apos;s comments</extracomment>
        <translation>
            <numerusform>%1
%n shot. %2</numerusform>
            <numerusform>%1
%n shots. %2</numerusform>
        </translation>
    </message>
    <message>
        <source>Сессии</source>
        <translation>Sessions</translation>
    </message>
    <message>
        <source>Обновить</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>Сессия</source>
        <extracomment>Switches between the picked session and the shooter&apos;s progress chart</extracomment>
        <translation>Session</translation>
    </message>
    <message>
        <source>Прогресс</source>
        <extracomment>Shows the shooter&apos;s progress chart in place of the session</extracomment>
        <translation>Progress</translation>
    </message>
    <message>
        <source>Список</source>
        <extracomment>Switches the sessions between a list and a table</extracomment>
        <translation>List</translation>
    </message>
    <message>
        <source>Таблица</source>
        <translation>Table</translation>
    </message>
    <message>
        <source>Номер</source>
        <extracomment>Table column: the row&apos;s number</extracomment>
        <translation>No.</translation>
    </message>
    <message>
        <source>Организация</source>
        <translation>Organisation</translation>
    </message>
    <message>
        <source>Группа</source>
        <extracomment>Table column: the shooter&apos;s group (class) within the organization</extracomment>
        <translation>Group</translation>
    </message>
    <message>
        <source>ФИО</source>
        <extracomment>Table column: the shooter&apos;s full name</extracomment>
        <translation>Full name</translation>
    </message>
    <message>
        <source>Результат</source>
        <extracomment>Table column: the session&apos;s score</extracomment>
        <translation>Score</translation>
    </message>
    <message>
        <source>Оценка (ГТО)</source>
        <extracomment>Table column: the grade of a fitness-norm session (gold, silver, ...)</extracomment>
        <translation>Grade (GTO)</translation>
    </message>
    <message>
        <source>Ступень (ГТО)</source>
        <extracomment>Table column: the age level of a fitness-norm session</extracomment>
        <translation>Level (GTO)</translation>
    </message>
    <message>
        <source>Место</source>
        <extracomment>Table column: the place in the competition&apos;s ranking</extracomment>
        <translation>Place</translation>
    </message>
    <message>
        <source>Название соревнования</source>
        <translation>Competition name</translation>
    </message>
    <message>
        <source>Удалить сессию</source>
        <translation>Delete session</translation>
    </message>
</context>
<context>
    <name>SessionPrintout</name>
    <message>
        <source>Page %1</source>
        <translation>Page %1</translation>
    </message>
    <message>
        <source>Попаданий: %1   СТП: %2; %3 мм   Разброс: %4 мм   Средний радиус: %5 мм</source>
        <extracomment>Group line of the session sheet: hits, mean point of impact (СТП) x; y, extreme spread and mean radius in millimetres; keep the runs of spaces</extracomment>
        <translation>Hits: %1   MPI: %2; %3 mm   Spread: %4 mm   Mean radius: %5 mm</translation>
    </message>
</context>
<context>
    <name>SettingsPage</name>
    <message>
        <source>Настройки программы КАВРО</source>
        <translation>KAVRO program settings</translation>
    </message>
    <message>
        <source>Язык:</source>
        <extracomment>The interface&apos;s language</extracomment>
        <translation>Language:</translation>
    </message>
</context>
<context>
    <name>ShooterBrowser</name>
    <message>
        <source>Поиск по имени...</source>
        <translation>Search by name...</translation>
    </message>
    <message>
        <source>Удалить пользователя</source>
        <translation>Delete shooter</translation>
    </message>
</context>
<context>
    <name>ShooterImportGroup</name>
    <message>
        <source>Не удалось загрузить файл, Ошибка: %1</source>
        <extracomment>%1: the import&apos;s result code</extracomment>
        <translation>Could not load the file, Error: %1</translation>
    </message>
    <message>
        <source>Новых стрелков: %1. Не удалось сохранить остальных: %2</source>
        <extracomment>%1: shooters added from the file; %2: why the database refused the others</extracomment>
        <translation>New shooters: %1. Could not save the others: %2</translation>
    </message>
    <message>
        <source>Новых стрелков: %1</source>
        <extracomment>%1: shooters added from the file</extracomment>
        <translation>New shooters: %1</translation>
    </message>
    <message>
        <source>Загрузить список стрелков из файла:</source>
        <translation>Import shooters from file:</translation>
    </message>
    <message>
        <source>Путь к файлу: </source>
        <translation>File path: </translation>
    </message>
    <message>
        <source>Ввести имя файла</source>
        <extracomment>Opens the dialog that chooses the file</extracomment>
        <translation>Choose file</translation>
    </message>
    <message>
        <source>Загрузить</source>
        <extracomment>Reads the shooters of the file into the catalogue</extracomment>
        <translation>Import</translation>
    </message>
    <message>
        <source>Выберите файл</source>
        <translation>Choose a file</translation>
    </message>
    <message>
        <source>Все файлы (*)</source>
        <extracomment>File dialog filter; &quot;(*)&quot; stays as it is</extracomment>
        <translation>All files (*)</translation>
    </message>
</context>
<context>
    <name>ShootingModeGroup</name>
    <message>
        <source>Режим:</source>
        <extracomment>The shooting mode of all lanes</extracomment>
        <translation>Mode:</translation>
    </message>
    <message>
        <source>Тренировка</source>
        <translation>Training</translation>
    </message>
    <message>
        <source>Соревнования (Зачетная стрельба)</source>
        <extracomment>Shooting mode: scored shooting of a competition</extracomment>
        <translation>Competition (scored shooting)</translation>
    </message>
    <message>
        <source>ГТО</source>
        <extracomment>Shooting mode: a fitness-norm event</extracomment>
        <translation>GTO</translation>
    </message>
    <message>
        <source>Идентификатор: </source>
        <extracomment>The identifier of the fitness-norm event</extracomment>
        <translation>Identifier: </translation>
    </message>
    <message>
        <source>Название соревнования: </source>
        <translation>Competition name: </translation>
    </message>
    <message>
        <source>Идентификатор... </source>
        <extracomment>The identifier of the fitness-norm event</extracomment>
        <translation>Identifier... </translation>
    </message>
    <message>
        <source>Название соревнования... </source>
        <translation>Competition name... </translation>
    </message>
    <message>
        <source>Применить</source>
        <extracomment>Makes the chosen mode the lanes&apos; mode</extracomment>
        <translation>Apply</translation>
    </message>
</context>
<context>
    <name>ShotList</name>
    <message>
        <source>Серия %1</source>
        <extracomment>Title of a series of shots in the shot list: %1 its number</extracomment>
        <translation>Series %1</translation>
    </message>
</context>
<context>
    <name>ShotValues</name>
    <message>
        <source>Время: %1</source>
        <extracomment>Of the selected shot: the time since the previous shot</extracomment>
        <translation>Time: %1</translation>
    </message>
    <message>
        <source>Устойчивость: %1</source>
        <extracomment>Of the selected shot: how steady the aim was</extracomment>
        <translation>Stability: %1</translation>
    </message>
    <message>
        <source>Обработка спуска: %1</source>
        <extracomment>Of the selected shot: how steadily the trigger was pulled</extracomment>
        <translation>Trigger control: %1</translation>
    </message>
    <message>
        <source>Область прицеливания: %1</source>
        <extracomment>Of the selected shot: the size of the area aimed over</extracomment>
        <translation>Aiming area: %1</translation>
    </message>
    <message>
        <source>Завал: %1°</source>
        <extracomment>Of the selected shot: the weapon&apos;s cant in degrees</extracomment>
        <translation>Cant: %1°</translation>
    </message>
    <message>
        <source>Оценка: %1</source>
        <extracomment>Of the selected shot: the fitness-norm grade so far</extracomment>
        <translation>Grade: %1</translation>
    </message>
    <message>
        <source>Результат : %1</source>
        <extracomment>Of the selected shot: its score</extracomment>
        <translation>Score: %1</translation>
    </message>
    <message>
        <source>Средний результат: %1</source>
        <extracomment>Of the selected shot: the mean score of the shots up to it</extracomment>
        <translation>Mean score: %1</translation>
    </message>
    <message>
        <source>Средний за 10: %1</source>
        <extracomment>Of the selected shot: the mean score of the last ten shots up to it</extracomment>
        <translation>Mean of last 10: %1</translation>
    </message>
</context>
<context>
    <name>TargetChoiceGrid</name>
    <message>
        <source>Мишень %1</source>
        <extracomment>%1: the target face&apos;s name</extracomment>
        <translation>Target %1</translation>
    </message>
</context>
<context>
    <name>TimeLimitsGroup</name>
    <message>
        <source>Ограничения по времени:</source>
        <translation>Time limits:</translation>
    </message>
    <message>
        <source>С ограничениями</source>
        <extracomment>The exercise has time limits</extracomment>
        <translation>With limits</translation>
    </message>
    <message>
        <source>Раздельное</source>
        <extracomment>Time limits: separate times for the trial shots and the series</extracomment>
        <translation>Separate</translation>
    </message>
    <message>
        <source>Объединенное</source>
        <extracomment>Time limits: one time for the trial shots and the series together</extracomment>
        <translation>Combined</translation>
    </message>
    <message>
        <source>Время на пробные выстрелы (сек):</source>
        <translation>Time for sighting shots (s):</translation>
    </message>
    <message>
        <source>Время на серию (сек):</source>
        <extracomment>The time for one series of scored shots</extracomment>
        <translation>Time per series (s):</translation>
    </message>
    <message>
        <source>Общее время (сек):</source>
        <translation>Total time (s):</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>КАВРО ТИР — демонстрация</source>
        <extracomment>The window title of the demonstration: the program&apos;s name, then &quot;demonstration&quot;</extracomment>
        <translation>KAVRO TIR — demonstration</translation>
    </message>
    <message>
        <source>КАВРО ТИР</source>
        <extracomment>The program&apos;s name in the window title</extracomment>
        <translation>KAVRO TIR</translation>
    </message>
    <message>
        <source>Выход из программы</source>
        <translation>Exit the program</translation>
    </message>
</context>
</TS>
