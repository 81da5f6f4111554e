<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ru_RU">
<context>
    <name>InputChoices</name>
    <message>
        <source>(нет)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>Смешать</source>
        <translation>Mix</translation>
    </message>
    <message>
        <source>Раздельно</source>
        <translation>Split</translation>
    </message>
</context>
<context>
    <name>MessageBoxes</name>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>PulseBackend</name>
    <message>
        <source>Запись выхода: </source>
        <translation>Monitor of </translation>
    </message>
    <message>
        <source>Запись</source>
        <translation>Recording</translation>
    </message>
    <message>
        <source>Воспроизведение</source>
        <translation>Playback</translation>
    </message>
    <message>
        <source>Порт: </source>
        <translation>Port: </translation>
    </message>
    <message>
        <source>Профиль: </source>
        <translation>Profile: </translation>
    </message>
    <message>
        <source>Моно</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Левый</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>Правый</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>Центр</source>
        <translation>Center</translation>
    </message>
    <message>
        <source>Задний левый</source>
        <translation>Rear left</translation>
    </message>
    <message>
        <source>Задний правый</source>
        <translation>Rear right</translation>
    </message>
    <message>
        <source>Задний центр</source>
        <translation>Rear center</translation>
    </message>
    <message>
        <source>Сабвуфер</source>
        <translation>Subwoofer</translation>
    </message>
    <message>
        <source>Боковой левый</source>
        <translation>Side left</translation>
    </message>
    <message>
        <source>Боковой правый</source>
        <translation>Side right</translation>
    </message>
    <message>
        <source>Канал %1</source>
        <translation>Channel %1</translation>
    </message>
    <message>
        <source>Программа: </source>
        <translation>Application: </translation>
    </message>
</context>
<context>
    <name>RecordingNotice</name>
    <message>
        <source>Запись закончена</source>
        <translation>Recording finished</translation>
    </message>
    <message>
        <source>Воспроизвести</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>Открыть папку</source>
        <translation>Open folder</translation>
    </message>
</context>
<context>
    <name>RecordingSession</name>
    <message>
        <source>Идёт запись звука</source>
        <translation>Recording sound</translation>
    </message>
    <message>
        <source>Запись начнётся в %1</source>
        <translation>Recording starts at %1</translation>
    </message>
    <message>
        <source>Ожидание звука для начала записи</source>
        <translation>Waiting for sound to start recording</translation>
    </message>
</context>
<context>
    <name>TAboutBox</name>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Версия</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Домашняя страница</source>
        <translation>Home page</translation>
    </message>
    <message>
        <source>Technology Support</source>
        <translation>Technology Support</translation>
    </message>
    <message>
        <source>Tavrin — свободная программа записи звука.</source>
        <translation>Tavrin is a free sound recorder.</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TAudioVisualization2</name>
    <message>
        <source>%1 дБ</source>
        <translation>%1 dB</translation>
    </message>
    <message>
        <source>мс</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>Гц</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>Картина сигнала</source>
        <translation>Signal picture</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Режим</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Запись</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>Воспроизведение</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>Пауза</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Стоп</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Настройка</source>
        <comment>menu</comment>
        <translation>Options</translation>
    </message>
    <message>
        <source>Микшер вход</source>
        <translation>Input mixer</translation>
    </message>
    <message>
        <source>Микшер выход</source>
        <translation>Output mixer</translation>
    </message>
    <message>
        <source>Инфрмация о файле</source>
        <translation>File information</translation>
    </message>
    <message>
        <source>Оптимизация</source>
        <translation>Settings...</translation>
    </message>
    <message>
        <source>Помощь</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Справка</source>
        <translation>Help contents</translation>
    </message>
    <message>
        <source>Домашняя страница</source>
        <translation>Home page</translation>
    </message>
    <message>
        <source>Совет</source>
        <translation>Tip of the day</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Открыть файл</source>
        <translation>Open a file</translation>
    </message>
    <message>
        <source>Настройка</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Авто стоп</source>
        <translation>Auto stop</translation>
    </message>
    <message>
        <source>Запись звука</source>
        <translation>Recording</translation>
    </message>
    <message>
        <source>Микшер входа</source>
        <translation>Input mixer</translation>
    </message>
    <message>
        <source>Микшер выхода</source>
        <translation>Output mixer</translation>
    </message>
    <message>
        <source>Информация о файле</source>
        <translation>File information</translation>
    </message>
    <message>
        <source>Развёртка</source>
        <translation>FFT size</translation>
    </message>
    <message>
        <source>Формы Win</source>
        <translation>FFT window</translation>
    </message>
    <message>
        <source>Нет</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Вид панели</source>
        <translation>Picture style</translation>
    </message>
    <message>
        <source>Аналог</source>
        <translation>Analog</translation>
    </message>
    <message>
        <source>Линейный</source>
        <translation>Linear</translation>
    </message>
    <message>
        <source>Нормальный</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Огонь</source>
        <translation>Fire</translation>
    </message>
    <message>
        <source>Стекло</source>
        <translation>Glass</translation>
    </message>
    <message>
        <source>Смесь</source>
        <translation>Mixed</translation>
    </message>
    <message>
        <source>Экран</source>
        <translation>Screen</translation>
    </message>
    <message>
        <source>Устройство ввода данных</source>
        <translation>Input device</translation>
    </message>
    <message>
        <source>Фильтр</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Устройство вывода</source>
        <translation>Output device</translation>
    </message>
    <message>
        <source>Эквалайзер</source>
        <translation>Equalizer</translation>
    </message>
    <message>
        <source>Эквалайзер...</source>
        <translation>Equalizer...</translation>
    </message>
    <message>
        <source>Список файлов</source>
        <translation>File list</translation>
    </message>
    <message>
        <source>Размер</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>Время</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Сохранить дерикторию</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>Переименовать</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>Удалить из списка</source>
        <translation>Remove from list</translation>
    </message>
    <message>
        <source>Удалить с диска</source>
        <translation>Delete from disk</translation>
    </message>
    <message>
        <source>Заголовок:</source>
        <translation>Title:</translation>
    </message>
    <message>
        <source>Артист:</source>
        <translation>Artist:</translation>
    </message>
    <message>
        <source>Альбом:</source>
        <translation>Album:</translation>
    </message>
    <message>
        <source>Комментарии:</source>
        <translation>Comment:</translation>
    </message>
    <message>
        <source>Автор:</source>
        <translation>Copyright:</translation>
    </message>
    <message>
        <source>год:</source>
        <translation>Year:</translation>
    </message>
    <message>
        <source>Дорожка:</source>
        <translation>Track:</translation>
    </message>
    <message>
        <source>Стиль:</source>
        <translation>Genre:</translation>
    </message>
    <message>
        <source>Версия сжатия</source>
        <translation>Tag version</translation>
    </message>
    <message>
        <source>Сброс</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>Сброс файловой информации</source>
        <translation>Read the tags from the file again</translation>
    </message>
    <message>
        <source>Применить</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Применить инфо файла</source>
        <translation>Write the tags into the file</translation>
    </message>
    <message>
        <source>Панелька магнитофона</source>
        <translation>Transport panel</translation>
    </message>
    <message>
        <source>Уровень левого канала</source>
        <translation>Left channel level</translation>
    </message>
    <message>
        <source>Уровень правого канала</source>
        <translation>Right channel level</translation>
    </message>
    <message>
        <source>Time Elapsed</source>
        <translation>Time Elapsed</translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>Open file</translation>
    </message>
    <message>
        <source>%1 мин</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 ч %2 мин</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>Места хватит на </source>
        <translation>Room for </translation>
    </message>
    <message>
        <source>Свободно на диске: </source>
        <translation>Free on the disk: </translation>
    </message>
    <message>
        <source>No Auto stop. </source>
        <translation>No Auto stop. </translation>
    </message>
    <message>
        <source>Auto stop recording is set to </source>
        <translation>Auto stop recording is set to </translation>
    </message>
    <message>
        <source>No Auto Stop</source>
        <translation>No Auto Stop</translation>
    </message>
    <message>
        <source>Страницы</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>Recording...</source>
        <translation>Recording...</translation>
    </message>
    <message>
        <source>Playing...</source>
        <translation>Playing...</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Авто старт</source>
        <translation>Auto start</translation>
    </message>
    <message>
        <source>Второй вход</source>
        <translation>Second input</translation>
    </message>
    <message>
        <source>Оба входа в каждом канале, или первый слева, второй справа</source>
        <translation>Both inputs in every channel, or the first left and the second right</translation>
    </message>
    <message>
        <source>Waiting...</source>
        <translation>Waiting...</translation>
    </message>
    <message>
        <source>запуск по звуку выше %1 дБ</source>
        <translation>start on sound above %1 dB</translation>
    </message>
    <message>
        <source>пауза после %1 сек тишины</source>
        <translation>pause after %1 s of silence</translation>
    </message>
    <message>
        <source>остановка после %1 сек тишины</source>
        <translation>stop after %1 s of silence</translation>
    </message>
    <message>
        <source>запуск в %1</source>
        <translation>start at %1</translation>
    </message>
    <message>
        <source>остановка в %1</source>
        <translation>stop at %1</translation>
    </message>
    <message>
        <source>Авто старт: </source>
        <translation>Auto start: </translation>
    </message>
    <message>
        <source>Нет авто старта</source>
        <translation>No auto start</translation>
    </message>
    <message>
        <source>Ожидание звука выше %1 дБ</source>
        <translation>Waiting for sound above %1 dB</translation>
    </message>
    <message>
        <source>Запись начнётся завтра в %1</source>
        <translation>Recording starts tomorrow at %1</translation>
    </message>
    <message>
        <source>Запись начнётся в %1</source>
        <translation>Recording starts at %1</translation>
    </message>
</context>
<context>
    <name>TNCTAmpBar2</name>
    <message>
        <source>тишина</source>
        <translation>silence</translation>
    </message>
    <message>
        <source>%1 дБ</source>
        <translation>%1 dB</translation>
    </message>
    <message>
        <source>Уровень</source>
        <translation>Level</translation>
    </message>
</context>
<context>
    <name>TNCTEqualizer2</name>
    <message>
        <source>Гц</source>
        <translation>Hz</translation>
    </message>
    <message>
        <source>%1: %2%3 дБ</source>
        <translation>%1: %2%3 dB</translation>
    </message>
    <message>
        <source>Эквалайзер</source>
        <translation>Equalizer</translation>
    </message>
</context>
<context>
    <name>TNCTPlayButtonB2</name>
    <message>
        <source>включено</source>
        <translation>on</translation>
    </message>
    <message>
        <source>Громкость</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>Запись</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>Воспроизведение</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>Пауза</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Стоп</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Тихо</source>
        <translation>Mute</translation>
    </message>
</context>
<context>
    <name>TNCTSliderB2</name>
    <message>
        <source>%1 %</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>Позиция</source>
        <translation>Position</translation>
    </message>
</context>
<context>
    <name>TNCTTimeDisplay2</name>
    <message>
        <source>Время</source>
        <translation>Time</translation>
    </message>
</context>
<context>
    <name>TOkCancelDialog</name>
    <message>
        <source>Да</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TRenameForm</name>
    <message>
        <source>Переименовать</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>Введите Новое Имя файла:</source>
        <translation>Enter the new file name:</translation>
    </message>
    <message>
        <source>Да</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TSettingForm</name>
    <message>
        <source>Настройка</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Путь сохранения файла</source>
        <translation>Recordings folder</translation>
    </message>
    <message>
        <source>Выбор деректории для сохранения</source>
        <translation>Choose the folder for recordings</translation>
    </message>
    <message>
        <source>Формат записи</source>
        <translation>Recording format</translation>
    </message>
    <message>
        <source>сжатие (0-8)</source>
        <translation>compression (0-8)</translation>
    </message>
    <message>
        <source>Таймер записи</source>
        <translation>Recording timer</translation>
    </message>
    <message>
        <source>Без остановки</source>
        <translation>No stop</translation>
    </message>
    <message>
        <source>Стоп записи через</source>
        <translation>Stop recording after</translation>
    </message>
    <message>
        <source>час</source>
        <translation>h</translation>
    </message>
    <message>
        <source>мин</source>
        <translation>min</translation>
    </message>
    <message>
        <source>сек</source>
        <translation>s</translation>
    </message>
    <message>
        <source>Запись фалов по</source>
        <translation>Split files</translation>
    </message>
    <message>
        <source>Разбить</source>
        <translation>Split</translation>
    </message>
    <message>
        <source>Язык (после перезапуска)</source>
        <translation>Language (from the next start)</translation>
    </message>
    <message>
        <source>Как в системе</source>
        <translation>As the desktop</translation>
    </message>
    <message>
        <source>Select a directory to save output files</source>
        <translation>Select a directory to save output files</translation>
    </message>
    <message>
        <source>Значок в области уведомлений</source>
        <translation>Icon in the notification area</translation>
    </message>
    <message>
        <source>Пока значок есть, закрытое во время записи окно прячется в него, а запись идёт дальше</source>
        <translation>While the icon is there, a window closed during a recording hides in it and the recording goes on</translation>
    </message>
    <message>
        <source>Имя новой записи</source>
        <translation>Name of a new recording</translation>
    </message>
    <message>
        <source>Untitled1, Untitled2, ...</source>
        <translation>Untitled1, Untitled2, ...</translation>
    </message>
    <message>
        <source>%Y год, %m месяц, %d день, %H час, %M мин, %S сек</source>
        <translation>%Y year, %m month, %d day, %H hour, %M min, %S s</translation>
    </message>
</context>
<context>
    <name>TTimeLimitForm</name>
    <message>
        <source>Auto stop recording is set to </source>
        <translation>Auto stop recording is set to </translation>
    </message>
    <message>
        <source>No Auto stop.</source>
        <translation>No Auto stop.</translation>
    </message>
    <message>
        <source>Авто стоп</source>
        <translation>Auto stop</translation>
    </message>
    <message>
        <source>Таймер записи</source>
        <translation>Recording timer</translation>
    </message>
    <message>
        <source>Без остановки</source>
        <translation>No stop</translation>
    </message>
    <message>
        <source>Конец записи через:</source>
        <translation>Stop recording after:</translation>
    </message>
    <message>
        <source>час</source>
        <translation>h</translation>
    </message>
    <message>
        <source>мин</source>
        <translation>min</translation>
    </message>
    <message>
        <source>сек</source>
        <translation>s</translation>
    </message>
</context>
<context>
    <name>TTipForm</name>
    <message>
        <source>Совет</source>
        <translation>Tip of the day</translation>
    </message>
    <message>
        <source>Вы знаете ...</source>
        <translation>Did you know...</translation>
    </message>
    <message>
        <source>Показывать при запуске</source>
        <translation>Show at startup</translation>
    </message>
    <message>
        <source>Далее совет</source>
        <translation>Next tip</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TTriggerForm</name>
    <message>
        <source>Авто старт</source>
        <translation>Auto start</translation>
    </message>
    <message>
        <source>Запуск по звуку</source>
        <translation>Start on sound</translation>
    </message>
    <message>
        <source>Начинать запись, когда появится звук</source>
        <translation>Start recording when sound appears</translation>
    </message>
    <message>
        <source>Порог звука:</source>
        <translation>Threshold:</translation>
    </message>
    <message>
        <source>дБ</source>
        <translation>dB</translation>
    </message>
    <message>
        <source>Сохранять до звука:</source>
        <translation>Keep before sound:</translation>
    </message>
    <message>
        <source>сек</source>
        <translation>s</translation>
    </message>
    <message>
        <source>Тишина</source>
        <translation>Silence</translation>
    </message>
    <message>
        <source>Тишина дольше:</source>
        <translation>Silence longer than:</translation>
    </message>
    <message>
        <source>сек (0 - не следить)</source>
        <translation>s (0 - do not watch)</translation>
    </message>
    <message>
        <source>Остановить запись</source>
        <translation>Stop recording</translation>
    </message>
    <message>
        <source>Пауза до появления звука</source>
        <translation>Pause until sound returns</translation>
    </message>
    <message>
        <source>Запуск по времени</source>
        <translation>Start at a time</translation>
    </message>
    <message>
        <source>Начать запись в</source>
        <translation>Start recording at</translation>
    </message>
    <message>
        <source>Закончить запись в</source>
        <translation>Stop recording at</translation>
    </message>
</context>
<context>
    <name>TfrmAdv</name>
    <message>
        <source>Диалог</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>Параметры настройки для коррекции звука</source>
        <translation>Settings for adjusting the sound</translation>
    </message>
    <message>
        <source>Другой контроль</source>
        <translation>Other controls</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Advanced Properties for </source>
        <translation>Advanced Properties for </translation>
    </message>
    <message>
        <source>Эти параметры настройки делают другие изменения(замены) к как вашими звуковыми звуками. См. вашу аппаратную документацию для подробностей.</source>
        <translation>These settings make further changes to how your sound card sounds. See your hardware documentation for details.</translation>
    </message>
</context>
<context>
    <name>TfrmEQ</name>
    <message>
        <source>Эквалайзер</source>
        <translation>Equalizer</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TfrmRecFlt</name>
    <message>
        <source>Фильтр Метки</source>
        <translation>Notch filter</translation>
    </message>
    <message>
        <source>ФВЧ</source>
        <translation>High-pass</translation>
    </message>
    <message>
        <source>ФНЧ</source>
        <translation>Low-pass</translation>
    </message>
    <message>
        <source>Фильтр записи</source>
        <translation>Record filter</translation>
    </message>
    <message>
        <source>гц</source>
        <translation>Hz</translation>
    </message>
</context>
<context>
    <name>TrayIcon</name>
    <message>
        <source>Записать</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>Остановить</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Показать окно</source>
        <translation>Show window</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Tavrin: идёт запись, %1</source>
        <translation>Tavrin: recording, %1</translation>
    </message>
    <message>
        <source>Tavrin: запись на паузе, %1</source>
        <translation>Tavrin: recording paused, %1</translation>
    </message>
</context>
<context>
    <name>TsrcFrame</name>
    <message>
        <source>Select</source>
        <translation>Select</translation>
    </message>
    <message>
        <source>Тихо</source>
        <translation>Mute</translation>
    </message>
    <message>
        <source>Настройка</source>
        <translation>Advanced</translation>
    </message>
    <message>
        <source>Громкость: %1</source>
        <translation>Volume: %1</translation>
    </message>
    <message>
        <source>Баланс: %1</source>
        <translation>Balance: %1</translation>
    </message>
</context>
</TS>
