<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>QObject</name>
    <message>
        <source>Aulira</source>
        <translation>Aulira</translation>
    </message>
    <message>
        <source>Aulira config files (*.alc)</source>
        <translation>Aulira 配置文件 (*.alc)</translation>
    </message>
    <message>
        <source>Audio terminal parameter settings</source>
        <translation>音频终端参数设置</translation>
    </message>
    <message>
        <source>Export device list</source>
        <translation>导出设备列表</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>所有文件 (*)</translation>
    </message>
    <message>
        <source>The device list could not be exported to %1: %2</source>
        <translation>无法将设备列表导出到 %1：%2</translation>
    </message>
    <message>
        <source>Device list exported to %2 (%1 rows).</source>
        <translation>设备列表已导出到 %2（%1 行）。</translation>
    </message>
</context>
<context>
    <name>auctl</name>
    <message>
        <source>unknown search option %1</source>
        <translation>未知的 search 选项 %1</translation>
    </message>
    <message>
        <source>devices needs list, add or delete</source>
        <translation>devices 需要 list、add 或 delete</translation>
    </message>
    <message>
        <source>unknown devices list option %1</source>
        <translation>未知的 devices list 选项 %1</translation>
    </message>
    <message>
        <source>option %1 needs a value</source>
        <translation>选项 %1 需要一个值</translation>
    </message>
    <message>
        <source>not an IPv4 address: %1</source>
        <translation>不是 IPv4 地址：%1</translation>
    </message>
    <message>
        <source>not a subnet mask: %1</source>
        <translation>不是子网掩码：%1</translation>
    </message>
    <message>
        <source>unknown devices add option %1</source>
        <translation>未知的 devices add 选项 %1</translation>
    </message>
    <message>
        <source>devices add needs --no, --name, --ip and --mask</source>
        <translation>devices add 需要 --no、--name、--ip 和 --mask</translation>
    </message>
    <message>
        <source>devices delete needs one IP or MAC address</source>
        <translation>devices delete 需要一个 IP 或 MAC 地址</translation>
    </message>
    <message>
        <source>not an IP or MAC address: %1</source>
        <translation>不是 IP 或 MAC 地址：%1</translation>
    </message>
    <message>
        <source>no saved device has the address %1</source>
        <translation>已保存的设备中没有地址为 %1 的设备</translation>
    </message>
    <message>
        <source>unknown devices command %1</source>
        <translation>未知的 devices 命令 %1</translation>
    </message>
    <message>
        <source>--adapter needs an IPv4 address</source>
        <translation>--adapter 需要一个 IPv4 地址</translation>
    </message>
    <message>
        <source>--port needs a port number from 1 to 65535</source>
        <translation>--port 需要 1 到 65535 之间的端口号</translation>
    </message>
    <message>
        <source>--data-dir needs a directory</source>
        <translation>--data-dir 需要一个目录</translation>
    </message>
    <message>
        <source>--lang needs en or zh_CN</source>
        <translation>--lang 需要 en 或 zh_CN</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>未知选项 %1</translation>
    </message>
    <message>
        <source>no command given</source>
        <translation>未给出命令</translation>
    </message>
    <message>
        <source>unknown command %1</source>
        <translation>未知命令 %1</translation>
    </message>
    <message>
        <source>poll %1 through %2: %3</source>
        <translation>经 %2 轮询 %1：%3</translation>
    </message>
    <message>
        <source>answered</source>
        <translation>已应答</translation>
    </message>
    <message>
        <source>auctl: waiting for another program to finish with %1</source>
        <translation>auctl：正在等待另一个程序使用完 %1</translation>
    </message>
    <message>
        <source>auctl: %1; going on without the lock</source>
        <translation>auctl：%1；在不加锁的情况下继续</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>book create needs a NAME</source>
        <translation>book create 需要一个名称</translation>
    </message>
    <message>
        <source>book create does not take %1</source>
        <translation>book create 不接受 %1</translation>
    </message>
    <message>
        <source>no device with the address or number %1 was found</source>
        <translation>未找到地址或编号为 %1 的设备</translation>
    </message>
    <message>
        <source>there is no group with the number %1</source>
        <translation>没有编号为 %1 的分组</translation>
    </message>
    <message>
        <source>book delete needs a NAME</source>
        <translation>book delete 需要一个名称</translation>
    </message>
    <message>
        <source>there is no address book named &quot;%1&quot;</source>
        <translation>没有名为“%1”的地址簿</translation>
    </message>
    <message>
        <source>deleted the address book &quot;%1&quot;</source>
        <translation>已删除地址簿“%1”</translation>
    </message>
    <message>
        <source>book download needs a NAME and a DEVICE</source>
        <translation>book download 需要一个名称和一台设备</translation>
    </message>
    <message>
        <source> (there is no address book named &quot;%1&quot;)</source>
        <translation>（没有名为“%1”的地址簿）</translation>
    </message>
    <message>
        <source> (no online device with the address or number %1)</source>
        <translation>（没有地址或编号为 %1 的在线设备）</translation>
    </message>
    <message>
        <source>the address book &quot;%1&quot; was not downloaded into %2: %3</source>
        <translation>地址簿“%1”未下载到 %2：%3</translation>
    </message>
    <message>
        <source>the address book &quot;%1&quot; was sent to %2, but the station did not answer afterwards</source>
        <translation>地址簿“%1”已发送到 %2，但该呼叫站之后没有应答</translation>
    </message>
    <message>
        <source>%1: call stations do not acknowledge address books, so its arrival is not confirmed</source>
        <translation>%1：呼叫站不确认地址簿的接收，因此无法确认已送达</translation>
    </message>
    <message>
        <source>book clear needs a DEVICE</source>
        <translation>book clear 需要一台设备</translation>
    </message>
    <message>
        <source>the address book of %1 was not cleared: %2</source>
        <translation>%1 的地址簿未清空：%2</translation>
    </message>
    <message>
        <source>book needs list, create, delete, download or clear</source>
        <translation>book 需要 list、create、delete、download 或 clear</translation>
    </message>
    <message>
        <source>unknown book command %1</source>
        <translation>未知的 book 命令 %1</translation>
    </message>
    <message>
        <source>book list takes no arguments</source>
        <translation>book list 不接受参数</translation>
    </message>
    <message>
        <source>no groups</source>
        <translation>没有分组</translation>
    </message>
    <message>
        <source>auctl: the group file %1 ends early; the groups read completely were kept</source>
        <translation>auctl：分组文件 %1 提前结束；已保留完整读取的分组</translation>
    </message>
    <message>
        <source>there is no group %1</source>
        <translation>没有分组 %1</translation>
    </message>
    <message>
        <source>group add needs a NO and a NAME</source>
        <translation>group add 需要一个编号和一个名称</translation>
    </message>
    <message>
        <source>added group %1 %2</source>
        <translation>已添加分组 %1 %2</translation>
    </message>
    <message>
        <source>group edit needs a NO</source>
        <translation>group edit 需要一个编号</translation>
    </message>
    <message>
        <source>not a group number: %1</source>
        <translation>不是分组编号：%1</translation>
    </message>
    <message>
        <source>unknown group edit option %1</source>
        <translation>未知的 group edit 选项 %1</translation>
    </message>
    <message>
        <source>group edit needs --no or --name</source>
        <translation>group edit 需要 --no 或 --name</translation>
    </message>
    <message>
        <source>group %1 is now group %2 %3</source>
        <translation>分组 %1 现在是分组 %2 %3</translation>
    </message>
    <message>
        <source>group delete needs one NO</source>
        <translation>group delete 需要一个编号</translation>
    </message>
    <message>
        <source> (--skip-name-check answers yes)</source>
        <translation>（--skip-name-check 表示回答“是”）</translation>
    </message>
    <message>
        <source>group members needs a NO and the DEVICEs</source>
        <translation>group members 需要一个编号和设备</translation>
    </message>
    <message>
        <source>--parallel needs a number from 1 to 32</source>
        <translation>--parallel 需要 1 到 32 之间的数字</translation>
    </message>
    <message>
        <source>unknown group download option %1</source>
        <translation>未知的 group download 选项 %1</translation>
    </message>
    <message>
        <source>group numbers set on %1 of %2 online device</source>
        <translation>已在 %2 台在线设备中的 %1 台上设置分组编号</translation>
    </message>
    <message>
        <source>group numbers set on %1 of %2 online devices</source>
        <translation>已在 %2 台在线设备中的 %1 台上设置分组编号</translation>
    </message>
    <message>
        <source>grouping setting failed on %1 device (see the lines above)</source>
        <translation>%1 台设备的分组设置失败（见上面的记录）</translation>
    </message>
    <message>
        <source>grouping setting failed on %1 devices (see the lines above)</source>
        <translation>%1 台设备的分组设置失败（见上面的记录）</translation>
    </message>
    <message>
        <source>group needs list, add, edit, delete, members or download</source>
        <translation>group 需要 list、add、edit、delete、members 或 download</translation>
    </message>
    <message>
        <source>unknown group command %1</source>
        <translation>未知的 group 命令 %1</translation>
    </message>
    <message>
        <source>group list takes no arguments</source>
        <translation>group list 不接受参数</translation>
    </message>
    <message>
        <source>cannot read the parameters of %1: %2</source>
        <translation>无法读取 %1 的参数：%2</translation>
    </message>
    <message>
        <source>the parameters of %1 were not written: %2</source>
        <translation>%1 的参数未写入：%2</translation>
    </message>
    <message>
        <source>the parameters of %1 were %2</source>
        <translation>%1 的参数%2</translation>
    </message>
    <message>
        <source>cannot write the parameters of %1: %2</source>
        <translation>无法写入 %1 的参数：%2</translation>
    </message>
    <message>
        <source>1 other byte of the record differs</source>
        <translation>记录中另有 1 个字节不同</translation>
    </message>
    <message>
        <source>%1 other bytes of the record differ</source>
        <translation>记录中另有 %1 个字节不同</translation>
    </message>
    <message>
        <source>no change</source>
        <translation>没有更改</translation>
    </message>
    <message>
        <source>params get needs one DEVICE</source>
        <translation>params get 需要一台设备</translation>
    </message>
    <message>
        <source>params set needs a DEVICE and at least one NAME=VALUE</source>
        <translation>params set 需要一台设备和至少一个 NAME=VALUE</translation>
    </message>
    <message>
        <source>not a NAME=VALUE assignment: %1</source>
        <translation>不是 NAME=VALUE 形式的赋值：%1</translation>
    </message>
    <message>
        <source>there is no parameter named %1 (see params get)</source>
        <translation>没有名为 %1 的参数（见 params get）</translation>
    </message>
    <message>
        <source>params export needs a DEVICE and a FILE</source>
        <translation>params export 需要一台设备和一个文件</translation>
    </message>
    <message>
        <source>exported the parameters of %1 to %2</source>
        <translation>已将 %1 的参数导出到 %2</translation>
    </message>
    <message>
        <source>params backups needs one DEVICE</source>
        <translation>params backups 需要一台设备</translation>
    </message>
    <message>
        <source>no backups of %1 in %2</source>
        <translation>%2 中没有 %1 的备份</translation>
    </message>
    <message>
        <source>params needs fields, get, set, export, import, diff or backups</source>
        <translation>params 需要 fields、get、set、export、import、diff 或 backups</translation>
    </message>
    <message>
        <source>params fields takes no arguments</source>
        <translation>params fields 不接受参数</translation>
    </message>
    <message>
        <source>unknown params command %1</source>
        <translation>未知的 params 命令 %1</translation>
    </message>
    <message>
        <source>mac set needs a DEVICE and the NEW-MAC</source>
        <translation>mac set 需要一台设备和新的 MAC 地址</translation>
    </message>
    <message>
        <source>the MAC address of %1 was not changed: %2</source>
        <translation>%1 的 MAC 地址未修改：%2</translation>
    </message>
    <message>
        <source>%1 now has the MAC address %2</source>
        <translation>%1 的 MAC 地址现在是 %2</translation>
    </message>
    <message>
        <source>time needs sync</source>
        <translation>time 需要 sync</translation>
    </message>
    <message>
        <source>clock set through %1 of %2 adapter</source>
        <translation>已通过 %2 个网卡中的 %1 个设置时钟</translation>
    </message>
    <message>
        <source>clock set through %1 of %2 adapters</source>
        <translation>已通过 %2 个网卡中的 %1 个设置时钟</translation>
    </message>
    <message>
        <source>%1 failed: %2</source>
        <translation>%1 失败：%2</translation>
    </message>
    <message>
        <source>%1 is not online, so the firmware batch does not list it</source>
        <translation>%1 不在线，因此固件升级批次中没有它</translation>
    </message>
    <message>
        <source>%1 is not an online call station with a screen (KS-530, KS-530A, KS-530B or KS-530D), so the screen batch does not list it</source>
        <translation>%1 不是带屏幕的在线呼叫站（KS-530、KS-530A、KS-530B 或 KS-530D），因此屏幕升级批次中没有它</translation>
    </message>
    <message>
        <source>upgrade needs firmware or screen</source>
        <translation>upgrade 需要 firmware 或 screen</translation>
    </message>
    <message>
        <source>unknown upgrade command %1</source>
        <translation>未知的 upgrade 命令 %1</translation>
    </message>
    <message>
        <source>--retries needs a number from 0 to 100</source>
        <translation>--retries 需要 0 到 100 之间的数字</translation>
    </message>
    <message>
        <source>--verify-timeout needs a number of seconds from 0 to 3600</source>
        <translation>--verify-timeout 需要 0 到 3600 之间的秒数</translation>
    </message>
    <message>
        <source>--report needs a FILE.csv or FILE.json</source>
        <translation>--report 需要 FILE.csv 或 FILE.json</translation>
    </message>
    <message>
        <source>unknown upgrade option %1</source>
        <translation>未知的 upgrade 选项 %1</translation>
    </message>
    <message>
        <source>upgrade %1 needs an upgrade FILE</source>
        <translation>upgrade %1 需要一个升级文件</translation>
    </message>
    <message>
        <source>%1 is an upgrade file for the model %2; screen firmware files are for the %3 screen</source>
        <translation>%1 是型号 %2 的升级文件；屏幕固件文件应适用于 %3 屏幕</translation>
    </message>
    <message>
        <source>upgrade file %1: version %2, compiled %3, model %4</source>
        <translation>升级文件 %1：版本 %2，编译于 %3，型号 %4</translation>
    </message>
    <message>
        <source>%1: not upgraded, its model %2 differs from the file&apos;s (%3)</source>
        <translation>%1：未升级，其型号 %2 与文件的型号（%3）不同</translation>
    </message>
    <message>
        <source>%1: not upgraded, the batch ended before it</source>
        <translation>%1：未升级，批次在轮到它之前已结束</translation>
    </message>
    <message>
        <source>trying the %1 failed device once more</source>
        <translation>再试一次失败的 %1 台设备</translation>
    </message>
    <message>
        <source>trying the %1 failed devices once more</source>
        <translation>再试一次失败的 %1 台设备</translation>
    </message>
    <message>
        <source>waiting up to %1 s for %2 device to report version %3</source>
        <translation>最多等待 %1 秒，直到 %2 台设备报告版本 %3</translation>
    </message>
    <message>
        <source>waiting up to %1 s for %2 devices to report version %3</source>
        <translation>最多等待 %1 秒，直到 %2 台设备报告版本 %3</translation>
    </message>
    <message>
        <source>Usage: auctl [global options] COMMAND [arguments]

Global options:
  --adapter ADDR    send from this local adapter address (repeatable);
                    default: every IPv4 address of every up, non-loopback interface
  --port N          device port (default 65176)
  --data-dir DIR    where the device list and the other files live
  --json            machine-readable output
  --quiet           do not print the operation log on stderr
  --verbose         also print every status poll attempt on stderr
  --demo            work against a simulated site on loopback
  --log-file FILE   also append every operation log line to FILE (with --quiet
                    too); the daily log files in the data directory&apos;s logs/
                    are written as always
  --lang LANG       the language of the messages: en or zh_CN (default: the INI&apos;s
                    Text/Language, else the locale)
  --help            show this text

Commands:
  search [--keep]                 search every adapter, then poll the saved devices of
                                  other subnets; --keep saves every found device
  devices list [--no-poll] [--csv] [--csv-file FILE]
                                  the saved device list; devices of other subnets are
                                  polled first unless --no-poll; --csv prints it as CSV,
                                  --csv-file writes it to FILE as the desktop app&apos;s
                                  export does (UTF-8 with byte-order mark)
  devices add --no N --name NAME --ip IP --mask MASK
                                  save a device of another subnet
  devices delete IP|MAC           remove a device from the saved list
  params fields                   the parameter names, where they sit and what they take
  params get DEVICE               every parameter of the device by name
  params set DEVICE [--dry-run] NAME=VALUE... [--no-confirm]
                                  change parameters, then write and apply them and read
                                  them back to confirm (with --dry-run: only list the
                                  changes)
  params export DEVICE FILE.alc   save the device&apos;s parameters to a configuration file
  params import DEVICE FILE.alc [--no-confirm]
                                  load a configuration file (keeping the device&apos;s MAC),
                                  then write and apply it and read it back to confirm
  params diff DEVICE FILE.alc     what an import of the file would change
  params backups DEVICE           the device&apos;s records kept before each write (restore one
                                  with params import)
  mac set DEVICE NEW-MAC [--no-confirm]
                                  give the device a new MAC address, read back to confirm
  time sync                       set every device&apos;s clock to this computer&apos;s time
  group list                      the broadcast groups and their members
  group add NO NAME               a new group (numbers 1 to 255)
  group edit NO [--no NEW] [--name NAME]
                                  renumber or rename a group
  group delete NO                 remove a group and its members
  group members NO DEVICE... [--skip-name-check]
                                  the group&apos;s members are exactly these devices
  group download [--parallel N] [--no-confirm] [--skip-name-check]
                                  write every online device&apos;s group numbers, then read
                                  them back to confirm (N devices at a time, default 1)
  book list                       the call stations&apos; address books
  book create NAME [--group NO]... [--broadcast DEVICE]... [--intercom DEVICE]...
                                  a new address book of groups and devices
  book delete NAME                remove an address book
  book download NAME DEVICE [--no-confirm]
                                  send an address book to a call station, then check
                                  that it still answers
  book clear DEVICE               empty a call station&apos;s address book
  upgrade firmware FILE [DEVICE...] [OPTIONS]
                                  upgrade the firmware of the named devices (default:
                                  every device the batch lists)
  upgrade screen FILE [DEVICE...] [OPTIONS]
                                  the same for call-station screens
      --parallel N                devices at a time, 1 to 32 (default 4)
      --retries K                 try a failed device up to K more times in the batch
      --retry-failed              then run one more batch of the devices that failed
      --verify-timeout S          firmware: wait up to S seconds for the devices to report
                                  the file&apos;s version (default 60)
      --no-verify                 firmware: do not ask the devices again
      --report FILE.csv|FILE.json
                                  one row per device and batch (repeatable)

DEVICE is an IP address, a MAC address or a device number; it is looked up by a
search (with the saved devices) and a poll of the saved devices of other subnets.
</source>
        <translation>用法：auctl [全局选项] 命令 [参数]

全局选项：
  --adapter ADDR    从此本地网卡地址发送（可重复）；
                    默认：每个已启用的非回环接口的每个 IPv4 地址
  --port N          设备端口（默认 65176）
  --data-dir DIR    设备列表及其他文件所在的目录
  --json            机器可读的输出
  --quiet           不在 stderr 上打印操作记录
  --verbose         同时在 stderr 上打印每次状态轮询
  --demo            在回环上对模拟站点进行操作
  --log-file FILE   同时将每行操作记录追加到 FILE（使用 --quiet 时
                    也是如此）；数据目录 logs/ 下的每日日志文件
                    照常写入
  --lang LANG       消息的语言：en 或 zh_CN（默认：INI 中的
                    Text/Language，否则为系统区域设置）
  --help            显示此帮助

命令：
  search [--keep]                 在每个网卡上搜索，然后轮询其他子网中
                                  已保存的设备；--keep 保存每台发现的设备
  devices list [--no-poll] [--csv] [--csv-file FILE]
                                  已保存的设备列表；除非使用 --no-poll，
                                  否则先轮询其他子网的设备；--csv 以 CSV
                                  格式打印，--csv-file 像桌面程序的导出
                                  一样将其写入 FILE（带字节顺序标记的 UTF-8）
  devices add --no N --name NAME --ip IP --mask MASK
                                  保存一台其他子网的设备
  devices delete IP|MAC           从已保存列表中删除一台设备
  params fields                   参数名称、所在位置及取值
  params get DEVICE               按名称列出设备的每个参数
  params set DEVICE [--dry-run] NAME=VALUE... [--no-confirm]
                                  修改参数，然后写入并应用，再读回确认
                                  （使用 --dry-run 时：只列出更改）
  params export DEVICE FILE.alc   将设备的参数保存到配置文件
  params import DEVICE FILE.alc [--no-confirm]
                                  加载配置文件（保留设备的 MAC），
                                  然后写入并应用，再读回确认
  params diff DEVICE FILE.alc     导入该文件将会更改的内容
  params backups DEVICE           每次写入前保留的设备记录（可用
                                  params import 恢复其中之一）
  mac set DEVICE NEW-MAC [--no-confirm]
                                  为设备设置新的 MAC 地址，并读回确认
  time sync                       将每台设备的时钟设为本机时间
  group list                      广播分组及其成员
  group add NO NAME               新建分组（编号 1 到 255）
  group edit NO [--no NEW] [--name NAME]
                                  修改分组编号或重命名分组
  group delete NO                 删除分组及其成员
  group members NO DEVICE... [--skip-name-check]
                                  分组的成员正好是这些设备
  group download [--parallel N] [--no-confirm] [--skip-name-check]
                                  写入每台在线设备的分组编号，然后读回
                                  确认（每次 N 台设备，默认 1）
  book list                       呼叫站的地址簿
  book create NAME [--group NO]... [--broadcast DEVICE]... [--intercom DEVICE]...
                                  由分组和设备组成的新地址簿
  book delete NAME                删除地址簿
  book download NAME DEVICE [--no-confirm]
                                  将地址簿发送到呼叫站，然后检查
                                  其是否仍有应答
  book clear DEVICE               清空呼叫站的地址簿
  upgrade firmware FILE [DEVICE...] [OPTIONS]
                                  升级指定设备的固件（默认：批次中
                                  列出的每台设备）
  upgrade screen FILE [DEVICE...] [OPTIONS]
                                  同上，用于呼叫站屏幕
      --parallel N                同时升级的设备数，1 到 32（默认 4）
      --retries K                 批次中失败的设备最多再试 K 次
      --retry-failed              然后对失败的设备再运行一个批次
      --verify-timeout S          固件：最多等待 S 秒，直到设备报告
                                  文件的版本（默认 60）
      --no-verify                 固件：不再询问设备
      --report FILE.csv|FILE.json
                                  每台设备每个批次一行（可重复）

DEVICE 是 IP 地址、MAC 地址或设备编号；通过搜索（含已保存的设备）
以及对其他子网中已保存设备的轮询来查找。
</translation>
    </message>
    <message>
        <source>--csv-file needs a file</source>
        <translation>--csv-file 需要一个文件</translation>
    </message>
    <message>
        <source>--log-file needs a file</source>
        <translation>--log-file 需要一个文件</translation>
    </message>
    <message>
        <source>
upgrade firmware --restart-wait S gives the upgraded devices S seconds to restart
before they are first asked for their version (default 5).
</source>
        <translation>
upgrade firmware --restart-wait S 让已升级的设备有 S 秒时间重启，
之后才首次询问其版本（默认 5）。
</translation>
    </message>
    <message>
        <source>the address book &quot;%1&quot; was deleted meanwhile</source>
        <translation>地址簿“%1”在此期间已被删除</translation>
    </message>
    <message>
        <source>%1 online device would be written:</source>
        <translation>将写入 %1 台在线设备：</translation>
    </message>
    <message>
        <source>%1 online devices would be written:</source>
        <translation>将写入 %1 台在线设备：</translation>
    </message>
    <message>
        <source>No device loses group numbers it has now.</source>
        <translation>没有设备会失去其现有的分组编号。</translation>
    </message>
    <message>
        <source>Devices that lose group numbers they have now: %1</source>
        <translation>将失去现有分组编号的设备：%1</translation>
    </message>
    <message>
        <source>%1 loses %2 (has %3)</source>
        <translation>%1 失去 %2（现有 %3）</translation>
    </message>
    <message>
        <source>Nothing was sent (--dry-run).</source>
        <translation>未发送任何内容（--dry-run）。</translation>
    </message>
    <message>
        <source>--retries needs a number from 0 to 20</source>
        <translation>--retries 需要 0 到 20 之间的数字</translation>
    </message>
    <message>
        <source>%1 error in the plan; nothing was sent</source>
        <translation>计划中有 %1 个错误；未发送任何内容</translation>
    </message>
    <message>
        <source>%1 errors in the plan; nothing was sent</source>
        <translation>计划中有 %1 个错误；未发送任何内容</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>第 %1 行：%2</translation>
    </message>
    <message>
        <source>not read: %1</source>
        <translation>未读取：%1</translation>
    </message>
    <message>
        <source>not found</source>
        <translation>未找到</translation>
    </message>
    <message>
        <source>unknown commission option %1</source>
        <translation>未知的 commission 选项 %1</translation>
    </message>
    <message>
        <source>commission needs one PLAN.csv</source>
        <translation>commission 需要一个 PLAN.csv</translation>
    </message>
    <message>
        <source>%1 of %2 planned devices commissioned and confirmed</source>
        <translation>已调试并确认 %2 台计划设备中的 %1 台</translation>
    </message>
    <message>
        <source>%1 of %2 planned devices commissioned</source>
        <translation>已调试 %2 台计划设备中的 %1 台</translation>
    </message>
    <message>
        <source>%1 planned device was not commissioned (see above)</source>
        <translation>%1 台计划设备未调试（见上文）</translation>
    </message>
    <message>
        <source>%1 planned devices were not commissioned (see above)</source>
        <translation>%1 台计划设备未调试（见上文）</translation>
    </message>
    <message>
        <source>site export needs a DIR</source>
        <translation>site export 需要一个 DIR</translation>
    </message>
    <message>
        <source>no device was found, so there is no site to export</source>
        <translation>未发现任何设备，因此没有可导出的站点</translation>
    </message>
    <message>
        <source>%1 is not in the export: %2</source>
        <translation>%1 不在导出内容中：%2</translation>
    </message>
    <message>
        <source>exported %1 devices to %2 (site.csv and one .alc file per device)</source>
        <translation>已将 %1 台设备导出到 %2（site.csv 以及每台设备一个 .alc 文件）</translation>
    </message>
    <message>
        <source>--restart-wait needs a number of seconds from 0 to 600</source>
        <translation>--restart-wait 需要 0 到 600 之间的秒数</translation>
    </message>
    <message>
        <source>
Site rollout:
  commission PLAN.csv [--dry-run] [--parallel N] [--report FILE.csv|FILE.json]
             [--no-confirm]
                                  give every device of the plan its planned parameters:
                                  the whole plan is checked first (errors by line and
                                  column, nothing sent), then N devices at a time
                                  (default 4) are backed up, written, applied and read
                                  back; --dry-run only lists each device&apos;s changes.
                                  Exit status: 0 every planned device was found and
                                  holds its plan (with --dry-run: every one was found
                                  and read); 1 a planned device was not found, not
                                  read or not written as planned, or a report could
                                  not be written; 2 errors in the plan, nothing sent
  site export DIR                 DIR/site.csv, a plan of every found device with every
                                  field, and DIR/&lt;MAC&gt;.alc per device; commissioning
                                  site.csv restores the site
A plan is a CSV file (UTF-8): the first column &quot;mac&quot; (or &quot;device&quot;: an address, MAC
or number), then one column per parameter named as params fields names it; an
empty cell leaves that parameter as the device has it.
</source>
        <translation>
站点部署：
  commission PLAN.csv [--dry-run] [--parallel N] [--report FILE.csv|FILE.json]
             [--no-confirm]
                                  为计划中的每台设备设置其计划参数：
                                  先检查整个计划（按行和列列出错误，
                                  不发送任何内容），然后每次 N 台设备
                                  （默认 4）进行备份、写入、应用和
                                  回读；--dry-run 只列出每台设备的更改。
                                  退出状态：0 计划中的每台设备都已找到
                                  且保存了计划的参数（--dry-run 时：每台
                                  都已找到并读取）；1 有计划中的设备未找到、
                                  未读取或未按计划写入，或报告无法写入；
                                  2 计划有错误，未发送任何内容
  site export DIR                 DIR/site.csv：包含每台发现的设备及其
                                  所有字段的计划；每台设备一个
                                  DIR/&lt;MAC&gt;.alc；调试 site.csv 即可恢复站点
计划是一个 CSV 文件（UTF-8）：第一列为 &quot;mac&quot;（或 &quot;device&quot;：地址、MAC
或编号），然后每个参数一列，列名与 params fields 列出的名称相同；
空单元格表示该参数保持设备现有的值。
</translation>
    </message>
</context>
<context>
    <name>aulira::ParaLists</name>
    <message>
        <source>Disable</source>
        <translation>禁用</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Use the Following IP Address</source>
        <translation>使用下面的 IP 地址</translation>
    </message>
    <message>
        <source>Automatically Obtain IP Address</source>
        <translation>自动获取 IP 地址</translation>
    </message>
    <message>
        <source>Manual Settings</source>
        <translation>手动设置</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Mic</source>
        <translation>话筒</translation>
    </message>
    <message>
        <source>Linein</source>
        <translation>线路输入</translation>
    </message>
    <message>
        <source>No busy tone(0)</source>
        <translation>无忙音(0)</translation>
    </message>
    <message>
        <source>One busy tone(1)</source>
        <translation>一声忙音(1)</translation>
    </message>
    <message>
        <source>Two busy tone(2)</source>
        <translation>两声忙音(2)</translation>
    </message>
    <message>
        <source>Three busy tone(3)</source>
        <translation>三声忙音(3)</translation>
    </message>
    <message>
        <source>Quiet place</source>
        <translation>安静场所</translation>
    </message>
    <message>
        <source>Normal place</source>
        <translation>一般场所</translation>
    </message>
    <message>
        <source>Noisy place</source>
        <translation>嘈杂场所</translation>
    </message>
    <message>
        <source>Very noisy place</source>
        <translation>非常嘈杂场所</translation>
    </message>
    <message>
        <source>Trigger</source>
        <translation>触发</translation>
    </message>
    <message>
        <source>Hold</source>
        <translation>保持</translation>
    </message>
    <message>
        <source>Intercom</source>
        <translation>对讲</translation>
    </message>
    <message>
        <source>Encode</source>
        <translation>编码</translation>
    </message>
    <message>
        <source>Intecom</source>
        <translation>对讲</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>静音</translation>
    </message>
    <message>
        <source>Volume Up</source>
        <translation>音量加</translation>
    </message>
    <message>
        <source>Intercom Status</source>
        <translation>对讲状态</translation>
    </message>
    <message>
        <source>Volume Down</source>
        <translation>音量减</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP 地址</translation>
    </message>
    <message>
        <source>Device NO</source>
        <translation>设备编号</translation>
    </message>
    <message>
        <source>Unicast</source>
        <translation>单播</translation>
    </message>
    <message>
        <source>Multicast</source>
        <translation>组播</translation>
    </message>
    <message>
        <source>Broadcast</source>
        <translation>广播</translation>
    </message>
    <message>
        <source>7 bits</source>
        <translation>7 位</translation>
    </message>
    <message>
        <source>8 bits</source>
        <translation>8 位</translation>
    </message>
    <message>
        <source>1 bit</source>
        <translation>1 位</translation>
    </message>
    <message>
        <source>2 bits</source>
        <translation>2 位</translation>
    </message>
    <message>
        <source>Server Mode</source>
        <translation>服务器模式</translation>
    </message>
    <message>
        <source>Client Mode</source>
        <translation>客户端模式</translation>
    </message>
    <message>
        <source>Floating</source>
        <translation>浮空</translation>
    </message>
    <message>
        <source>Pullup</source>
        <translation>上拉</translation>
    </message>
    <message>
        <source>Pulldown</source>
        <translation>下拉</translation>
    </message>
    <message>
        <source>Pushpull</source>
        <translation>推挽</translation>
    </message>
</context>
<context>
    <name>aulira::ParaPages</name>
    <message>
        <source>Running Information</source>
        <translation>运行信息</translation>
    </message>
    <message>
        <source>Basic Settings</source>
        <translation>基本设置</translation>
    </message>
    <message>
        <source>Play Settings</source>
        <translation>播放设置</translation>
    </message>
    <message>
        <source>Session Settings</source>
        <translation>会话设置</translation>
    </message>
    <message>
        <source>Recording Settings</source>
        <translation>录音设置</translation>
    </message>
    <message>
        <source>Control and Status</source>
        <translation>控制与状态</translation>
    </message>
    <message>
        <source>Control 1</source>
        <translation>控制 1</translation>
    </message>
    <message>
        <source>Control 2</source>
        <translation>控制 2</translation>
    </message>
    <message>
        <source>Control 3</source>
        <translation>控制 3</translation>
    </message>
    <message>
        <source>Control 4</source>
        <translation>控制 4</translation>
    </message>
    <message>
        <source>Control Serial</source>
        <translation>控制串口</translation>
    </message>
    <message>
        <source>Data Serial</source>
        <translation>数据串口</translation>
    </message>
    <message>
        <source>GPIO</source>
        <translation>GPIO</translation>
    </message>
</context>
<context>
    <name>aulira::Results</name>
    <message>
        <source>no socket could be opened</source>
        <translation>无法打开套接字</translation>
    </message>
    <message>
        <source>the request could not be sent</source>
        <translation>无法发送请求</translation>
    </message>
    <message>
        <source>the device did not answer</source>
        <translation>设备没有应答</translation>
    </message>
    <message>
        <source>no valid answer came from the device</source>
        <translation>未收到设备的有效应答</translation>
    </message>
    <message>
        <source>no parameters were read from the device</source>
        <translation>未从设备读取到参数</translation>
    </message>
    <message>
        <source>the device answered with a parameter record shorter than its layout; nothing was taken from it</source>
        <translation>设备应答的参数记录比其格式短；未采用其中任何内容</translation>
    </message>
    <message>
        <source>written but not confirmed</source>
        <translation>已写入但未确认</translation>
    </message>
    <message>
        <source>the parameters as read could not be backed up, so nothing was written</source>
        <translation>读取的参数无法备份，因此未写入任何内容</translation>
    </message>
    <message>
        <source>the device did not take the written parameters</source>
        <translation>设备未接受写入的参数</translation>
    </message>
    <message>
        <source>the device answers to its new MAC address %1</source>
        <translation>设备在其新 MAC 地址 %1 上应答</translation>
    </message>
    <message>
        <source>the MAC address was not changed (%1); the device answers to %2</source>
        <translation>MAC 地址未更改（%1）；设备在 %2 上应答</translation>
    </message>
    <message>
        <source>the MAC address %1 was written and applied, but neither the new nor the old MAC address answers; search for the device</source>
        <translation>MAC 地址 %1 已写入并应用，但新旧 MAC 地址均无应答；请搜索该设备</translation>
    </message>
</context>
<context>
    <name>aulira::Strings</name>
    <message>
        <source>Aulira Configuration Tool (AUCT)

</source>
        <translation>Aulira 配置工具 (AUCT)

</translation>
    </message>
    <message>
        <source>Add Device</source>
        <translation>添加设备</translation>
    </message>
    <message>
        <source>Edit Device</source>
        <translation>编辑设备</translation>
    </message>
    <message>
        <source>Please enter the correct device NO！</source>
        <translation>请输入正确的设备编号！</translation>
    </message>
    <message>
        <source>Device NO is duplicate!

</source>
        <translation>设备编号重复！

</translation>
    </message>
    <message>
        <source>Please enter a device name!

</source>
        <translation>请输入设备名称！

</translation>
    </message>
    <message>
        <source>Please enter the correct IP address!

</source>
        <translation>请输入正确的 IP 地址！

</translation>
    </message>
    <message>
        <source>Please enter the correct subnet mask!

</source>
        <translation>请输入正确的子网掩码！

</translation>
    </message>
    <message>
        <source>Edit Group</source>
        <translation>编辑分组</translation>
    </message>
    <message>
        <source>Add Group</source>
        <translation>添加分组</translation>
    </message>
    <message>
        <source>Group NO setting error!

</source>
        <translation>分组编号设置错误！

</translation>
    </message>
    <message>
        <source>Group NO already exists, please re-enter!

</source>
        <translation>分组编号已存在，请重新输入！

</translation>
    </message>
    <message>
        <source>Group name cannot be empty!

</source>
        <translation>分组名称不能为空！

</translation>
    </message>
    <message>
        <source>The group name is too long and cannot exceed 15 bytes!

</source>
        <translation>分组名称过长，不能超过 15 个字节！

</translation>
    </message>
    <message>
        <source>Broadcast Group

</source>
        <translation>广播分组

</translation>
    </message>
    <message>
        <source>Broadcast Device

</source>
        <translation>广播设备

</translation>
    </message>
    <message>
        <source>Intercom Device</source>
        <translation>对讲设备</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>Device Type</source>
        <translation>设备类型</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP 地址</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Local Network</source>
        <translation>本地网络</translation>
    </message>
    <message>
        <source>Address Book</source>
        <translation>地址簿</translation>
    </message>
    <message>
        <source>Confirm deletion of address book

</source>
        <translation>确认删除地址簿

</translation>
    </message>
    <message>
        <source>Delete address book</source>
        <translation>删除地址簿</translation>
    </message>
    <message>
        <source>Complete</source>
        <translation>完成</translation>
    </message>
    <message>
        <source>No address book selected!

</source>
        <translation>未选择地址簿！

</translation>
    </message>
    <message>
        <source>No device selected for download!

</source>
        <translation>未选择要下载的设备！

</translation>
    </message>
    <message>
        <source>Address book size exceeds capacity!

</source>
        <translation>地址簿大小超出容量！

</translation>
    </message>
    <message>
        <source>Successfully downloaded the address book!

</source>
        <translation>地址簿下载成功！

</translation>
    </message>
    <message>
        <source>Downloading address book, unable to close!

</source>
        <translation>正在下载地址簿，无法关闭！

</translation>
    </message>
    <message>
        <source>The address book has been successfully cleared!</source>
        <translation>地址簿已成功清空！</translation>
    </message>
    <message>
        <source>The address book name cannot be empty!

</source>
        <translation>地址簿名称不能为空！

</translation>
    </message>
    <message>
        <source>An address book with that name already exists!

</source>
        <translation>已存在同名的地址簿！

</translation>
    </message>
    <message>
        <source>Add address book wizard

</source>
        <translation>添加地址簿向导

</translation>
    </message>
    <message>
        <source>Add Address Book

</source>
        <translation>添加地址簿

</translation>
    </message>
    <message>
        <source>No group or device selected!

</source>
        <translation>未选择分组或设备！

</translation>
    </message>
    <message>
        <source>Firmware Version</source>
        <translation>固件版本</translation>
    </message>
    <message>
        <source>Operation Records

</source>
        <translation>操作记录

</translation>
    </message>
    <message>
        <source>Device Properties</source>
        <translation>设备属性</translation>
    </message>
    <message>
        <source>Failed to start email client, please contact us via email support@aulira.example.</source>
        <translation>无法启动邮件客户端，请发送邮件至 support@aulira.example 与我们联系。</translation>
    </message>
    <message>
        <source>Be Ready</source>
        <translation>就绪</translation>
    </message>
    <message>
        <source>The length of the device name cannot exceed 15 bytes!</source>
        <translation>设备名称长度不能超过 15 个字节！</translation>
    </message>
    <message>
        <source>The length of the user name cannot exceed 15 bytes!</source>
        <translation>用户名长度不能超过 15 个字节！</translation>
    </message>
    <message>
        <source>Please enter a gateway!

</source>
        <translation>请输入网关！

</translation>
    </message>
    <message>
        <source>The MAC address entered is incorrect!</source>
        <translation>输入的 MAC 地址不正确！</translation>
    </message>
    <message>
        <source>No group selected

</source>
        <translation>未选择分组

</translation>
    </message>
    <message>
        <source>Downloading group information, cannot close!

</source>
        <translation>正在下载分组信息，无法关闭！

</translation>
    </message>
    <message>
        <source>No device grouping!

</source>
        <translation>没有设备分组！

</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Server IP</source>
        <translation>服务器 IP</translation>
    </message>
    <message>
        <source>Device Status</source>
        <translation>设备状态</translation>
    </message>
    <message>
        <source>Failed to get the local network card!

</source>
        <translation>获取本地网卡失败！

</translation>
    </message>
    <message>
        <source>Offline</source>
        <translation>离线</translation>
    </message>
    <message>
        <source>Idle</source>
        <translation>空闲</translation>
    </message>
    <message>
        <source>Realtime playing..</source>
        <translation>实时播放中..</translation>
    </message>
    <message>
        <source>Calling..</source>
        <translation>通话中..</translation>
    </message>
    <message>
        <source>Recording..</source>
        <translation>录音中..</translation>
    </message>
    <message>
        <source>Alarm..</source>
        <translation>报警中..</translation>
    </message>
    <message>
        <source>Local playing..</source>
        <translation>本地播放中..</translation>
    </message>
    <message>
        <source>TTS playing..</source>
        <translation>TTS 播放中..</translation>
    </message>
    <message>
        <source>Found device

</source>
        <translation>发现设备

</translation>
    </message>
    <message>
        <source>Search for audio devices completed, total number of devices found</source>
        <translation>音频设备搜索完成，共发现设备数</translation>
    </message>
    <message>
        <source>Local network card not found!

</source>
        <translation>未找到本地网卡！

</translation>
    </message>
    <message>
        <source>Local network card</source>
        <translation>本地网卡</translation>
    </message>
    <message>
        <source>Please select the address to delete for this device!

</source>
        <translation>请选择该设备要删除的地址！

</translation>
    </message>
    <message>
        <source>No address book has been set. Please create an address book first!</source>
        <translation>尚未设置地址簿，请先创建地址簿！</translation>
    </message>
    <message>
        <source>No name set. Are you sure to skip checking?

</source>
        <translation>未设置名称。确定跳过检查吗？

</translation>
    </message>
    <message>
        <source>Detected duplicate IP address, please modify and continue!

 </source>
        <translation>检测到重复的 IP 地址，请修改后继续！

 </translation>
    </message>
    <message>
        <source>Device Name</source>
        <translation>设备名称</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>在线</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>输出</translation>
    </message>
    <message>
        <source>The device name is too long and cannot exceed 31 bytes!

</source>
        <translation>设备名称过长，不能超过 31 个字节！

</translation>
    </message>
    <message>
        <source>The device name holds characters this computer&apos;s code page cannot store!

</source>
        <translation>设备名称含有本机代码页无法保存的字符！

</translation>
    </message>
    <message>
        <source>The length of the password cannot exceed 15 bytes!</source>
        <translation>密码长度不能超过 15 个字节！</translation>
    </message>
    <message>
        <source>The signal failure delay cannot exceed 255 seconds!</source>
        <translation>信号失效延时不能超过 255 秒！</translation>
    </message>
    <message>
        <source>The user name holds characters this computer&apos;s code page cannot store!

</source>
        <translation>用户名含有本机代码页无法保存的字符！

</translation>
    </message>
    <message>
        <source>The password holds characters this computer&apos;s code page cannot store!

</source>
        <translation>密码含有本机代码页无法保存的字符！

</translation>
    </message>
    <message>
        <source>Upgrade progress</source>
        <translation>升级进度</translation>
    </message>
    <message>
        <source>Failed to get file information!

</source>
        <translation>获取文件信息失败！

</translation>
    </message>
    <message>
        <source>Failed to open file!

</source>
        <translation>打开文件失败！

</translation>
    </message>
    <message>
        <source>Non upgrade file!

</source>
        <translation>不是升级文件！

</translation>
    </message>
    <message>
        <source>File length error!

</source>
        <translation>文件长度错误！

</translation>
    </message>
    <message>
        <source>Please select the upgraded device!

</source>
        <translation>请选择要升级的设备！

</translation>
    </message>
    <message>
        <source>Upgrade completed!

</source>
        <translation>升级完成！

</translation>
    </message>
    <message>
        <source>Upgrading firmware, unable to close window!

</source>
        <translation>正在升级固件，无法关闭窗口！

</translation>
    </message>
    <message>
        <source>The upgrade file is too large: its image needs more than 65535 packets!

</source>
        <translation>升级文件过大：其映像需要超过 65535 个数据包！

</translation>
    </message>
    <message>
        <source>The group name holds characters this computer&apos;s code page cannot store!

</source>
        <translation>分组名称含有本机代码页无法保存的字符！

</translation>
    </message>
    <message>
        <source>The group file could not be saved; the groups stay as they were on disk!

</source>
        <translation>无法保存分组文件；磁盘上的分组保持不变！

</translation>
    </message>
    <message>
        <source>The device NO must be a whole number from 1 to 2147483647!

</source>
        <translation>设备编号必须是 1 到 2147483647 之间的整数！

</translation>
    </message>
    <message>
        <source>The IP address must be one device&apos;s own address, not a broadcast, multicast or network address!

</source>
        <translation>IP 地址必须是设备自身的地址，不能是广播、组播或网络地址！

</translation>
    </message>
    <message>
        <source>The subnet mask must be ones followed by zeros, such as 255.255.255.0!

</source>
        <translation>子网掩码必须是连续的 1 后接连续的 0，例如 255.255.255.0！

</translation>
    </message>
    <message>
        <source>A device with this IP address is already in the list!

</source>
        <translation>列表中已有该 IP 地址的设备！

</translation>
    </message>
    <message>
        <source>The MAC address cannot be all zeros!</source>
        <translation>MAC 地址不能全为零！</translation>
    </message>
    <message>
        <source>The MAC address cannot be a broadcast or multicast address (its first byte must be even)!</source>
        <translation>MAC 地址不能是广播或组播地址（第一个字节必须为偶数）！</translation>
    </message>
    <message>
        <source>The address book name is too long and cannot exceed 255 characters!

</source>
        <translation>地址簿名称过长，不能超过 255 个字符！

</translation>
    </message>
    <message>
        <source>The gateway cannot be a broadcast or multicast address!

</source>
        <translation>网关不能是广播或组播地址！

</translation>
    </message>
    <message>
        <source>The server address cannot be a broadcast or multicast address!

</source>
        <translation>服务器地址不能是广播或组播地址！

</translation>
    </message>
</context>
<context>
    <name>aulira::app</name>
    <message>
        <source>Aulira</source>
        <translation>Aulira</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Stopping…</source>
        <translation>正在停止…</translation>
    </message>
    <message>
        <source>not found: no device of the list has this MAC address, address or number</source>
        <translation>未找到：列表中没有设备具有此 MAC 地址、地址或编号</translation>
    </message>
    <message>
        <source>its parameters could not be read: %1</source>
        <translation>无法读取其参数：%1</translation>
    </message>
</context>
<context>
    <name>aulira::app::AboutDialog</name>
    <message>
        <source>About AUCT</source>
        <translation>关于 AUCT</translation>
    </message>
    <message>
        <source>AUCT V3.5.12</source>
        <translation>AUCT V3.5.12</translation>
    </message>
</context>
<context>
    <name>aulira::app::AddDeviceDialog</name>
    <message>
        <source>Device NO:</source>
        <translation>设备编号：</translation>
    </message>
    <message>
        <source>Device Name:</source>
        <translation>设备名称：</translation>
    </message>
    <message>
        <source>IP Address:</source>
        <translation>IP 地址：</translation>
    </message>
    <message>
        <source>Subnet Mask:</source>
        <translation>子网掩码：</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>aulira::app::AddGroupDialog</name>
    <message>
        <source>Group &amp;NO:</source>
        <translation>分组编号(&amp;N)：</translation>
    </message>
    <message>
        <source>(1-255)</source>
        <translation>(1-255)</translation>
    </message>
    <message>
        <source>Group N&amp;ame:</source>
        <translation>分组名称(&amp;A)：</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>aulira::app::AddrBookDownloadDlg</name>
    <message>
        <source>Download Address Book</source>
        <translation>下载地址簿</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>删除(&amp;D)</translation>
    </message>
    <message>
        <source>Do&amp;wnload</source>
        <translation>下载(&amp;W)</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>清空(&amp;C)</translation>
    </message>
    <message>
        <source>Aulira</source>
        <translation>Aulira</translation>
    </message>
    <message>
        <source>Downloading the address book &quot;%1&quot; into %2…</source>
        <translation>正在将地址簿“%1”下载到 %2…</translation>
    </message>
    <message>
        <source>Clearing the address book of %1…</source>
        <translation>正在清空 %1 的地址簿…</translation>
    </message>
    <message>
        <source>The address book &quot;%1&quot; was sent to %2, but the station did not answer afterwards.</source>
        <translation>地址簿“%1”已发送到 %2，但该呼叫站之后没有应答。</translation>
    </message>
    <message>
        <source>The clearing was sent to %1, but the station did not answer afterwards.</source>
        <translation>清空命令已发送到 %1，但该呼叫站之后没有应答。</translation>
    </message>
    <message>
        <source>The address book &quot;%1&quot; was not downloaded into %2: %3.</source>
        <translation>地址簿“%1”未下载到 %2：%3。</translation>
    </message>
    <message>
        <source>The address book of %1 was not cleared: %2.</source>
        <translation>%1 的地址簿未清空：%2。</translation>
    </message>
    <message>
        <source>See the operation records for the details.</source>
        <translation>详情请查看操作记录。</translation>
    </message>
    <message>
        <source>&amp;Address Book:</source>
        <translation>地址簿(&amp;A)：</translation>
    </message>
    <message>
        <source>Download D&amp;evice:</source>
        <translation>下载设备(&amp;E)：</translation>
    </message>
    <message>
        <source>%1 answered after the transfer; that it took the book is not confirmed.</source>
        <translation>%1 在传输后有应答；但未确认其已接收地址簿。</translation>
    </message>
    <message>
        <source>Address book &quot;%1&quot; to %2: sent; stations do not confirm.</source>
        <translation>地址簿“%1”至 %2：已发送；呼叫站不会确认。</translation>
    </message>
    <message>
        <source>Clearing the address book of %1: sent; stations do not confirm.</source>
        <translation>清空 %1 的地址簿：已发送；呼叫站不会确认。</translation>
    </message>
</context>
<context>
    <name>aulira::app::BasicParaPage</name>
    <message>
        <source>Device Information</source>
        <translation>设备信息</translation>
    </message>
    <message>
        <source>Local Machine NO:</source>
        <translation>本机编号：</translation>
    </message>
    <message>
        <source>Device Name:</source>
        <translation>设备名称：</translation>
    </message>
    <message>
        <source>User Name:</source>
        <translation>用户名：</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>密码：</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP 地址</translation>
    </message>
    <message>
        <source>Use the Following IP Address</source>
        <translation>使用下面的 IP 地址</translation>
    </message>
    <message>
        <source>Automatically Obtain IP Address</source>
        <translation>自动获取 IP 地址</translation>
    </message>
    <message>
        <source>IP Address:</source>
        <translation>IP 地址：</translation>
    </message>
    <message>
        <source>Subnet Mask:</source>
        <translation>子网掩码：</translation>
    </message>
    <message>
        <source>Default Gateway:</source>
        <translation>默认网关：</translation>
    </message>
    <message>
        <source>DNS</source>
        <translation>DNS</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Manual Settings</source>
        <translation>手动设置</translation>
    </message>
    <message>
        <source>Preferred DNS:</source>
        <translation>首选 DNS：</translation>
    </message>
    <message>
        <source>Alternative DNS:</source>
        <translation>备用 DNS：</translation>
    </message>
    <message>
        <source>Server Setting</source>
        <translation>服务器设置</translation>
    </message>
    <message>
        <source>Heartbeat Time:</source>
        <translation>心跳时间：</translation>
    </message>
    <message>
        <source>sec</source>
        <translation>秒</translation>
    </message>
    <message>
        <source>Server IP:</source>
        <translation>服务器 IP：</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
</context>
<context>
    <name>aulira::app::BookGrid</name>
    <message>
        <source>Group NO</source>
        <translation>分组编号</translation>
    </message>
    <message>
        <source>Group Name</source>
        <translation>分组名称</translation>
    </message>
</context>
<context>
    <name>aulira::app::CommissionDialog</name>
    <message>
        <source>Write the devices</source>
        <translation>写入设备</translation>
    </message>
    <message>
        <source>How many devices are written at the same time</source>
        <translation>同时写入的设备数量</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>开始(&amp;S)</translation>
    </message>
    <message>
        <source>Back up, write, apply and read back every ticked device</source>
        <translation>对每台勾选的设备进行备份、写入、应用和回读</translation>
    </message>
    <message>
        <source>S&amp;top</source>
        <translation>停止(&amp;T)</translation>
    </message>
    <message>
        <source>Let the devices being written finish and start no other</source>
        <translation>让正在写入的设备完成，不再开始其他设备</translation>
    </message>
    <message>
        <source>Each device&apos;s record as read is kept as a backup before it is written, and every write is read back.</source>
        <translation>每台设备在写入前，会将读取到的记录保存为备份，且每次写入都会回读。</translation>
    </message>
    <message>
        <source>Devices</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP 地址</translation>
    </message>
    <message>
        <source>Changes</source>
        <translation>更改</translation>
    </message>
    <message>
        <source>Progress and result</source>
        <translation>进度和结果</translation>
    </message>
    <message>
        <source>&amp;Retry failed</source>
        <translation>重试失败项(&amp;R)</translation>
    </message>
    <message>
        <source>Run the devices that failed once more</source>
        <translation>对失败的设备再运行一次</translation>
    </message>
    <message>
        <source>Save re&amp;port…</source>
        <translation>保存报告(&amp;P)…</translation>
    </message>
    <message>
        <source>Save every device&apos;s result as a CSV or JSON file</source>
        <translation>将每台设备的结果保存为 CSV 或 JSON 文件</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>关闭(&amp;C)</translation>
    </message>
    <message>
        <source>Devices at a &amp;time:</source>
        <translation>同时处理的设备数(&amp;T)：</translation>
    </message>
    <message>
        <source>1 ticked device to write. Press Start.</source>
        <translation>已勾选 1 台要写入的设备。请按“开始”。</translation>
    </message>
    <message>
        <source>%1 ticked devices to write. Press Start.</source>
        <translation>已勾选 %1 台要写入的设备。请按“开始”。</translation>
    </message>
    <message>
        <source>Tick the devices to write first.</source>
        <translation>请先勾选要写入的设备。</translation>
    </message>
    <message>
        <source>Stopping: the devices being written finish, no other starts…</source>
        <translation>正在停止：正在写入的设备将完成，不再开始其他设备…</translation>
    </message>
    <message>
        <source>Writing %1 of %2 devices…</source>
        <translation>正在写入 %2 台设备中的 %1 台…</translation>
    </message>
    <message>
        <source>Last run: %1 written, %2 failed.</source>
        <translation>上次运行：已写入 %1 台，失败 %2 台。</translation>
    </message>
    <message>
        <source>Save report</source>
        <translation>保存报告</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;JSON files (*.json);;All Files (*.*)</source>
        <translation>CSV 文件 (*.csv);;JSON 文件 (*.json);;所有文件 (*.*)</translation>
    </message>
    <message>
        <source>The report could not be saved to %1: %2</source>
        <translation>无法将报告保存到 %1：%2</translation>
    </message>
    <message>
        <source>Report saved to %1.</source>
        <translation>报告已保存到 %1。</translation>
    </message>
    <message>
        <source>Devices are being written: the window closes once they are done (Stop starts no further device).</source>
        <translation>正在写入设备：完成后窗口将关闭（“停止”不会再开始其他设备）。</translation>
    </message>
</context>
<context>
    <name>aulira::app::ControlStatusPage</name>
    <message>
        <source>Key Input Mode</source>
        <translation>按键输入方式</translation>
    </message>
    <message>
        <source>Signal Failure Delay</source>
        <translation>信号失效延时</translation>
    </message>
    <message>
        <source>Play Output(sec):</source>
        <translation>播放输出(秒)：</translation>
    </message>
    <message>
        <source>Audio Input(sec):</source>
        <translation>音频输入(秒)：</translation>
    </message>
</context>
<context>
    <name>aulira::app::DeviceTableModel</name>
    <message>
        <source>Online: found by the search, not in the saved list</source>
        <translation>在线：搜索发现，不在已保存列表中</translation>
    </message>
    <message>
        <source>Online: in the saved list and found by the search</source>
        <translation>在线：在已保存列表中，且被搜索发现</translation>
    </message>
    <message>
        <source>Online: in the saved list, in another subnet, answering</source>
        <translation>在线：在已保存列表中，位于其他子网，有应答</translation>
    </message>
    <message>
        <source>Offline: in the saved list, not found by the search</source>
        <translation>离线：在已保存列表中，搜索未发现</translation>
    </message>
    <message>
        <source>Offline: in the saved list, in another subnet, no answer yet</source>
        <translation>离线：在已保存列表中，位于其他子网，尚无应答</translation>
    </message>
</context>
<context>
    <name>aulira::app::DeviceView</name>
    <message>
        <source>Only devices in the saved list can be removed; search results are found again by every search.</source>
        <translation>只能删除已保存列表中的设备；搜索结果在每次搜索时都会重新出现。</translation>
    </message>
    <message>
        <source>1 device removed from the saved list; Ctrl+Z brings it back.</source>
        <translation>已从保存列表中删除 1 台设备；按 Ctrl+Z 可恢复。</translation>
    </message>
    <message>
        <source>%1 devices removed from the saved list; Ctrl+Z brings them back.</source>
        <translation>已从保存列表中删除 %1 台设备；按 Ctrl+Z 可恢复。</translation>
    </message>
    <message>
        <source>1 device back in the saved list.</source>
        <translation>1 台设备已恢复到保存列表。</translation>
    </message>
    <message>
        <source>%1 devices back in the saved list.</source>
        <translation>%1 台设备已恢复到保存列表。</translation>
    </message>
    <message>
        <source>The device list could not be saved to %1:
%2

The changes are kept and saved again with the next change and when the program closes.</source>
        <translation>设备列表无法保存到 %1：
%2

所做的更改已保留，将在下次更改时以及程序关闭时再次保存。</translation>
    </message>
    <message>
        <source>Aulira</source>
        <translation>Aulira</translation>
    </message>
    <message>
        <source>The device list could not be saved to %1:
%2

Closing without saving loses the changes made to the list since it was last saved.</source>
        <translation>设备列表无法保存到 %1：
%2

不保存就关闭将丢失自上次保存以来对列表所做的更改。</translation>
    </message>
    <message>
        <source>&amp;Retry</source>
        <translation>重试(&amp;R)</translation>
    </message>
    <message>
        <source>Close &amp;Without Saving</source>
        <translation>不保存并关闭(&amp;W)</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>取消(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>打开(&amp;O)</translation>
    </message>
    <message>
        <source>Modify MAC address(&amp;M)</source>
        <translation>修改 MAC 地址(&amp;M)</translation>
    </message>
    <message>
        <source>Device added to the list: %1.</source>
        <translation>已将设备添加到列表：%1。</translation>
    </message>
    <message>
        <source>Device added to the list by hand: %1.</source>
        <translation>已手动将设备添加到列表：%1。</translation>
    </message>
    <message>
        <source>Device removed from the list: %1.</source>
        <translation>已从列表中移除设备：%1。</translation>
    </message>
    <message>
        <source>Device back in the list (Delete undone): %1.</source>
        <translation>设备已回到列表中（已撤销删除）：%1。</translation>
    </message>
    <message>
        <source>%1, subnet mask %2</source>
        <translation>%1，子网掩码 %2</translation>
    </message>
    <message>
        <source>Device entry edited: %1 (was %2).</source>
        <translation>设备条目已编辑：%1（原为 %2）。</translation>
    </message>
</context>
<context>
    <name>aulira::app::EditFieldsDialog</name>
    <message>
        <source>Edit selected devices</source>
        <translation>编辑所选设备</translation>
    </message>
    <message>
        <source>Choose the fields to give the selected devices (%1) and their values. The review that follows shows each device&apos;s changes before anything is written.</source>
        <translation>选择要为所选设备（%1）设置的字段及其值。随后的检查会在写入任何内容之前显示每台设备的更改。</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>添加(&amp;A)</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>页面</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>字段</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>值</translation>
    </message>
    <message>
        <source>Fields to &amp;write:</source>
        <translation>要写入的字段(&amp;W)：</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>移除(&amp;R)</translation>
    </message>
    <message>
        <source>Re&amp;view…</source>
        <translation>查看更改(&amp;V)…</translation>
    </message>
    <message>
        <source>&amp;Page:</source>
        <translation>页面(&amp;P)：</translation>
    </message>
    <message>
        <source>&amp;Field:</source>
        <translation>字段(&amp;F)：</translation>
    </message>
    <message>
        <source>&amp;Value:</source>
        <translation>值(&amp;V)：</translation>
    </message>
    <message>
        <source>Text of at most 15 bytes</source>
        <translation>最多 15 字节的文本</translation>
    </message>
    <message>
        <source>An address such as 192.168.1.20</source>
        <translation>地址，例如 192.168.1.20</translation>
    </message>
    <message>
        <source>Up to 8 group numbers, such as 3,7,0</source>
        <translation>最多 8 个分组编号，例如 3,7,0</translation>
    </message>
    <message>
        <source>An address or a device number, as the call or output type says</source>
        <translation>地址或设备编号，取决于呼叫或输出类型</translation>
    </message>
    <message>
        <source>A number from %1 to %2</source>
        <translation>%1 到 %2 之间的数字</translation>
    </message>
    <message>
        <source>(devices with the 392-byte record do not store it)</source>
        <translation>（使用 392 字节记录的设备不存储此项）</translation>
    </message>
</context>
<context>
    <name>aulira::app::EditMacDialog</name>
    <message>
        <source>Modify MAC Address</source>
        <translation>修改 MAC 地址</translation>
    </message>
    <message>
        <source>MAC Address Settings</source>
        <translation>MAC 地址设置</translation>
    </message>
    <message>
        <source>MAC Address</source>
        <translation>MAC 地址</translation>
    </message>
    <message>
        <source>byte %1 of 6</source>
        <translation>第 %1 字节（共 6 字节）</translation>
    </message>
    <message>
        <source>Device NO:</source>
        <translation>设备编号：</translation>
    </message>
    <message>
        <source>Device Name:</source>
        <translation>设备名称：</translation>
    </message>
    <message>
        <source>Device IP:</source>
        <translation>设备 IP：</translation>
    </message>
    <message>
        <source>MAC Address:</source>
        <translation>MAC 地址：</translation>
    </message>
</context>
<context>
    <name>aulira::app::GpioParaPage</name>
    <message>
        <source>Event Server</source>
        <translation>事件服务器</translation>
    </message>
    <message>
        <source>Server IP:</source>
        <translation>服务器 IP：</translation>
    </message>
    <message>
        <source>Server Port:</source>
        <translation>服务器端口：</translation>
    </message>
    <message>
        <source>Work Mode</source>
        <translation>工作模式</translation>
    </message>
    <message>
        <source>Mode:</source>
        <translation>模式：</translation>
    </message>
    <message>
        <source>GPIO %1</source>
        <translation>GPIO %1</translation>
    </message>
</context>
<context>
    <name>aulira::app::GroupCommand</name>
    <message>
        <source>Aulira</source>
        <translation>Aulira</translation>
    </message>
    <message>
        <source>Grouping waits until the device search has finished.</source>
        <translation>设备搜索完成后才能进行分组。</translation>
    </message>
</context>
<context>
    <name>aulira::app::GroupDownloadQuestion</name>
    <message>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <source>The group numbers of %1 online device will be written.</source>
        <translation>将写入 %1 台在线设备的分组编号。</translation>
    </message>
    <message>
        <source>The group numbers of %1 online devices will be written.</source>
        <translation>将写入 %1 台在线设备的分组编号。</translation>
    </message>
    <message>
        <source>Each gets the numbers of the groups it is in; numbers set elsewhere are cleared.</source>
        <translation>每台设备获得其所在分组的编号；在其他地方设置的编号将被清除。</translation>
    </message>
    <message>
        <source>%1 loses %2 (has %3)</source>
        <translation>%1 失去 %2（现有 %3）</translation>
    </message>
    <message>
        <source>No device loses group numbers it has now.</source>
        <translation>没有设备会失去其现有的分组编号。</translation>
    </message>
    <message>
        <source>%1 device loses group numbers it has now:</source>
        <translation>%1 台设备将失去其现有的分组编号：</translation>
    </message>
    <message>
        <source>%1 devices lose group numbers they have now:</source>
        <translation>%1 台设备将失去其现有的分组编号：</translation>
    </message>
    <message>
        <source>… and %1 more (Show Details).</source>
        <translation>… 以及另外 %1 项（显示详细信息）。</translation>
    </message>
    <message>
        <source>Download the group numbers now?</source>
        <translation>现在下载分组编号吗？</translation>
    </message>
    <message>
        <source>Aulira</source>
        <translation>Aulira</translation>
    </message>
</context>
<context>
    <name>aulira::app::GroupSetupDialog</name>
    <message>
        <source>Group Settings</source>
        <translation>分组设置</translation>
    </message>
    <message>
        <source>Groups</source>
        <translation>分组</translation>
    </message>
    <message>
        <source>SN</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Group NO</source>
        <translation>分组编号</translation>
    </message>
    <message>
        <source>Group Name</source>
        <translation>分组名称</translation>
    </message>
    <message>
        <source>&amp;New Group</source>
        <translation>新建分组(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Delete Group</source>
        <translation>删除分组(&amp;D)</translation>
    </message>
    <message>
        <source>Devices</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>NO</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP 地址</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>下载</translation>
    </message>
    <message>
        <source>Download progress</source>
        <translation>下载进度</translation>
    </message>
    <message>
        <source>Download &amp;Group</source>
        <translation>下载分组(&amp;G)</translation>
    </message>
    <message>
        <source>offline, not written</source>
        <translation>离线，未写入</translation>
    </message>
    <message>
        <source>set grouping completed.</source>
        <translation>分组设置完成。</translation>
    </message>
    <message>
        <source>Group numbers set on %1 of %2 online devices.</source>
        <translation>已在 %2 台在线设备中的 %1 台上设置分组编号。</translation>
    </message>
    <message>
        <source> Failed: %1 (see the rows and the operation records).</source>
        <translation> 失败：%1（见各行及操作记录）。</translation>
    </message>
    <message>
        <source>Aulira</source>
        <translation>Aulira</translation>
    </message>
    <message>
        <source>&amp;Retry</source>
        <translation>重试(&amp;R)</translation>
    </message>
    <message>
        <source>Close &amp;Without Saving</source>
        <translation>不保存并关闭(&amp;W)</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>取消(&amp;C)</translation>
    </message>
    <message>
        <source>Group Name:</source>
        <translation>分组名称：</translation>
    </message>
</context>
<context>
    <name>aulira::app::InputBookNamePage</name>
    <message>
        <source>Set Address Book Name</source>
        <translation>设置地址簿名称</translation>
    </message>
    <message>
        <source>Address Book &amp;Name:</source>
        <translation>地址簿名称(&amp;N)：</translation>
    </message>
</context>
<context>
    <name>aulira::app::IpAddressEdit</name>
    <message>
        <source>part %1 of 4</source>
        <translation>第 %1 段（共 4 段）</translation>
    </message>
</context>
<context>
    <name>aulira::app::KeyParaPage</name>
    <message>
        <source>Key Input Mode</source>
        <translation>按键输入方式</translation>
    </message>
    <message>
        <source>Customer Service</source>
        <translation>客服</translation>
    </message>
    <message>
        <source>Call Type:</source>
        <translation>呼叫类型：</translation>
    </message>
    <message>
        <source>Customer Service:</source>
        <translation>客服：</translation>
    </message>
    <message>
        <source>Service Target 2:</source>
        <translation>服务目标 2：</translation>
    </message>
    <message>
        <source>Service Target 3:</source>
        <translation>服务目标 3：</translation>
    </message>
    <message>
        <source>Service Target 4:</source>
        <translation>服务目标 4：</translation>
    </message>
    <message>
        <source>Call Forwarding</source>
        <translation>呼叫转移</translation>
    </message>
    <message>
        <source>Call Forwarding:</source>
        <translation>呼叫转移：</translation>
    </message>
    <message>
        <source>Forwarding Type:</source>
        <translation>转移类型：</translation>
    </message>
    <message>
        <source>Forwarding Target:</source>
        <translation>转移目标：</translation>
    </message>
    <message>
        <source>Transmission Target</source>
        <translation>传输目标</translation>
    </message>
    <message>
        <source>Output Mode:</source>
        <translation>输出方式：</translation>
    </message>
    <message>
        <source>Target:</source>
        <translation>目标：</translation>
    </message>
    <message>
        <source>Priority:</source>
        <translation>优先级：</translation>
    </message>
</context>
<context>
    <name>aulira::app::LogPane</name>
    <message>
        <source>&amp;Copy</source>
        <translation>复制(&amp;C)</translation>
    </message>
    <message>
        <source>Copy output content to clipboard</source>
        <translation>将输出内容复制到剪贴板</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>清除(&amp;L)</translation>
    </message>
    <message>
        <source>Clear output content</source>
        <translation>清除输出内容</translation>
    </message>
    <message>
        <source>Operation Records</source>
        <translation>操作记录</translation>
    </message>
    <message>
        <source>Open the folder of the daily log files</source>
        <translation>打开每日日志文件所在的文件夹</translation>
    </message>
    <message>
        <source>Open log folder</source>
        <translation>打开日志文件夹</translation>
    </message>
    <message>
        <source>Aulira</source>
        <translation>Aulira</translation>
    </message>
    <message>
        <source>The log folder %1 could not be opened.</source>
        <translation>无法打开日志文件夹 %1。</translation>
    </message>
    <message>
        <source>Open Log &amp;Folder</source>
        <translation>打开日志文件夹(&amp;F)</translation>
    </message>
</context>
<context>
    <name>aulira::app::MacChange</name>
    <message>
        <source>MAC address of %1 changed from %2 to %3.</source>
        <translation>%1 的 MAC 地址已从 %2 更改为 %3。</translation>
    </message>
    <message>
        <source>MAC address of %1 written (%2 to %3) but not confirmed: search again to see which one it answers to.</source>
        <translation>%1 的 MAC 地址已写入（%2 改为 %3），但未确认：请重新搜索，查看它在哪个地址上应答。</translation>
    </message>
    <message>
        <source>MAC address of %1 not changed from %2 to %3: %4.</source>
        <translation>%1 的 MAC 地址未从 %2 更改为 %3：%4。</translation>
    </message>
</context>
<context>
    <name>aulira::app::MainWindow</name>
    <message>
        <source>Any column contains… (Ctrl+F)</source>
        <translation>任一列包含…（Ctrl+F）</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>筛选</translation>
    </message>
    <message>
        <source>Searching for devices…</source>
        <translation>正在搜索设备…</translation>
    </message>
    <message>
        <source>Search finished at %1: 1 device online.</source>
        <translation>搜索于 %1 完成：1 台设备在线。</translation>
    </message>
    <message>
        <source>Search finished at %1: %2 devices online.</source>
        <translation>搜索于 %1 完成：%2 台设备在线。</translation>
    </message>
    <message>
        <source>The device list could not be saved: %1</source>
        <translation>无法保存设备列表：%1</translation>
    </message>
    <message>
        <source>Devices: %1   Online: %2   Offline: %3</source>
        <translation>设备：%1   在线：%2   离线：%3</translation>
    </message>
    <message>
        <source>Shown: %1 of %2   </source>
        <translation>显示：%1 / %2   </translation>
    </message>
    <message>
        <source>&amp;Search</source>
        <translation>搜索(&amp;S)</translation>
    </message>
    <message>
        <source>Search for audio devices within the local area network</source>
        <translation>在局域网内搜索音频设备</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>添加(&amp;A)</translation>
    </message>
    <message>
        <source>Add devices from other subnets for status monitoring only(online/offline)</source>
        <translation>添加其他子网的设备，仅用于状态监视（在线/离线）</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>删除(&amp;D)</translation>
    </message>
    <message>
        <source>Remove the selected device from the device list</source>
        <translation>从设备列表中删除所选设备</translation>
    </message>
    <message>
        <source>&amp;Undo Delete</source>
        <translation>撤销删除(&amp;U)</translation>
    </message>
    <message>
        <source>Bring back the devices the last Delete removed from the saved list</source>
        <translation>恢复上一次删除从保存列表中移除的设备</translation>
    </message>
    <message>
        <source>&amp;Time Sync</source>
        <translation>时间同步(&amp;T)</translation>
    </message>
    <message>
        <source>Set the clocks of all devices to this computer&apos;s time</source>
        <translation>将所有设备的时钟设为本机时间</translation>
    </message>
    <message>
        <source>&amp;Properties Window</source>
        <translation>属性窗口(&amp;P)</translation>
    </message>
    <message>
        <source>Show or hide the device properties</source>
        <translation>显示或隐藏设备属性</translation>
    </message>
    <message>
        <source>&amp;Output Window</source>
        <translation>输出窗口(&amp;O)</translation>
    </message>
    <message>
        <source>Show or hide the operation records</source>
        <translation>显示或隐藏操作记录</translation>
    </message>
    <message>
        <source>Status &amp;Bar</source>
        <translation>状态栏(&amp;B)</translation>
    </message>
    <message>
        <source>Show or hide status bar</source>
        <translation>显示或隐藏状态栏</translation>
    </message>
    <message>
        <source>Display program information, version number, and copyright information</source>
        <translation>显示程序信息、版本号和版权信息</translation>
    </message>
    <message>
        <source>Contact us via email %1</source>
        <translation>通过电子邮件 %1 与我们联系</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>退出(&amp;X)</translation>
    </message>
    <message>
        <source>Exit from application program</source>
        <translation>退出应用程序</translation>
    </message>
    <message>
        <source>&amp;Home</source>
        <translation>主页(&amp;H)</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>View</source>
        <translation>视图</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>&amp;Group</source>
        <translation>分组(&amp;G)</translation>
    </message>
    <message>
        <source>Group all devices within the local area network</source>
        <translation>对局域网内的所有设备进行分组</translation>
    </message>
    <message>
        <source>Create address book for your call station</source>
        <translation>为呼叫站创建地址簿</translation>
    </message>
    <message>
        <source>&amp;Download</source>
        <translation>下载(&amp;D)</translation>
    </message>
    <message>
        <source>Download the address book to the network microphone</source>
        <translation>将地址簿下载到网络话筒</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>升级</translation>
    </message>
    <message>
        <source>Batch upgrade of product firmware</source>
        <translation>批量升级产品固件</translation>
    </message>
    <message>
        <source>Screen upgrade</source>
        <translation>屏幕升级</translation>
    </message>
    <message>
        <source>Batch upgrade of microphone screen firmware</source>
        <translation>批量升级话筒屏幕固件</translation>
    </message>
    <message>
        <source>Home(&amp;H)</source>
        <translation>主页(&amp;H)</translation>
    </message>
    <message>
        <source>Search for LAN devices(&amp;S)</source>
        <translation>搜索局域网设备(&amp;S)</translation>
    </message>
    <message>
        <source>Add Device(&amp;A)</source>
        <translation>添加设备(&amp;A)</translation>
    </message>
    <message>
        <source>Delete Device(&amp;D)</source>
        <translation>删除设备(&amp;D)</translation>
    </message>
    <message>
        <source>Devices Grouping(&amp;G)</source>
        <translation>设备分组(&amp;G)</translation>
    </message>
    <message>
        <source>Call Station(&amp;S)</source>
        <translation>呼叫站(&amp;S)</translation>
    </message>
    <message>
        <source>Add Address Book(&amp;A)</source>
        <translation>添加地址簿(&amp;A)</translation>
    </message>
    <message>
        <source>Download Address Book(&amp;D)</source>
        <translation>下载地址簿(&amp;D)</translation>
    </message>
    <message>
        <source>Upgrade Device Firmware(&amp;U)</source>
        <translation>升级设备固件(&amp;U)</translation>
    </message>
    <message>
        <source>Upgrade Screen Firmware(&amp;S)</source>
        <translation>升级屏幕固件(&amp;S)</translation>
    </message>
    <message>
        <source>About(&amp;A)</source>
        <translation>关于(&amp;A)</translation>
    </message>
    <message>
        <source>Contact Support(&amp;C)</source>
        <translation>联系技术支持(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Export device list…</source>
        <translation>导出设备列表(&amp;E)…</translation>
    </message>
    <message>
        <source>Write the device list as shown to a CSV file</source>
        <translation>将当前显示的设备列表写入 CSV 文件</translation>
    </message>
    <message>
        <source>Exit(&amp;X)</source>
        <translation>退出(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;Call Station</source>
        <translation>呼叫站(&amp;C)</translation>
    </message>
    <message>
        <source>Address Book</source>
        <translation>地址簿</translation>
    </message>
    <message>
        <source>Firmware Upgrade</source>
        <translation>固件升级</translation>
    </message>
    <message>
        <source>The search is still running; start the upgrade once it has finished.</source>
        <translation>搜索仍在进行中；请在搜索完成后再开始升级。</translation>
    </message>
    <message>
        <source>F&amp;ilter:</source>
        <translation>筛选(&amp;I)：</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>关于(&amp;A)</translation>
    </message>
    <message>
        <source>Contact &amp;Support</source>
        <translation>联系技术支持(&amp;S)</translation>
    </message>
    <message>
        <source>Co&amp;mmission</source>
        <translation>调试(&amp;M)</translation>
    </message>
    <message>
        <source>Write the parameters of a whole site from a plan file (CSV)</source>
        <translation>根据计划文件（CSV）写入整个站点的参数</translation>
    </message>
    <message>
        <source>Export s&amp;ite</source>
        <translation>导出站点(&amp;I)</translation>
    </message>
    <message>
        <source>Save every online device&apos;s parameters as a site plan and configuration files</source>
        <translation>将每台在线设备的参数保存为站点计划和配置文件</translation>
    </message>
    <message>
        <source>&amp;Edit selected</source>
        <translation>编辑所选(&amp;E)</translation>
    </message>
    <message>
        <source>Give the selected devices the same values for the fields you choose</source>
        <translation>为所选设备的选定字段设置相同的值</translation>
    </message>
    <message>
        <source>&amp;Edit selected devices…</source>
        <translation>编辑所选设备(&amp;E)…</translation>
    </message>
    <message>
        <source>Help(&amp;L)</source>
        <translation>帮助(&amp;L)</translation>
    </message>
    <message>
        <source>&amp;Commission from plan…</source>
        <translation>按计划调试(&amp;C)…</translation>
    </message>
    <message>
        <source>Export s&amp;ite…</source>
        <translation>导出站点(&amp;I)…</translation>
    </message>
    <message>
        <source>Edit selected de&amp;vices…</source>
        <translation>编辑所选设备(&amp;V)…</translation>
    </message>
    <message>
        <source>Site</source>
        <translation>站点</translation>
    </message>
    <message>
        <source>He&amp;lp</source>
        <translation>帮助(&amp;L)</translation>
    </message>
</context>
<context>
    <name>aulira::app::MessageBox</name>
    <message>
        <source>Aulira</source>
        <translation>Aulira</translation>
    </message>
</context>
<context>
    <name>aulira::app::PlanErrorsDialog</name>
    <message>
        <source>The plan cannot be used</source>
        <translation>无法使用该计划</translation>
    </message>
    <message>
        <source>Problems in %1: %2. Nothing was sent to any device; correct the file and choose it again.</source>
        <translation>%1 中存在问题：%2。未向任何设备发送内容；请更正文件后重新选择。</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>行</translation>
    </message>
    <message>
        <source>Column</source>
        <translation>列</translation>
    </message>
    <message>
        <source>Problem</source>
        <translation>问题</translation>
    </message>
    <message>
        <source>Problems</source>
        <translation>问题</translation>
    </message>
</context>
<context>
    <name>aulira::app::PlayParaPage</name>
    <message>
        <source>Affiliated Group</source>
        <translation>所属分组</translation>
    </message>
    <message>
        <source>First Group:</source>
        <translation>第一组：</translation>
    </message>
    <message>
        <source>Second Group:</source>
        <translation>第二组：</translation>
    </message>
    <message>
        <source>Third Group:</source>
        <translation>第三组：</translation>
    </message>
    <message>
        <source>Fourth Group:</source>
        <translation>第四组：</translation>
    </message>
    <message>
        <source>Fifth Group:</source>
        <translation>第五组：</translation>
    </message>
    <message>
        <source>Sixth Group :</source>
        <translation>第六组：</translation>
    </message>
    <message>
        <source>Seventh Group:</source>
        <translation>第七组：</translation>
    </message>
    <message>
        <source>Eighth Group :</source>
        <translation>第八组：</translation>
    </message>
    <message>
        <source>Output Characteristic</source>
        <translation>输出特性</translation>
    </message>
    <message>
        <source>Output Cache Size:</source>
        <translation>输出缓存大小：</translation>
    </message>
    <message>
        <source>Volume:</source>
        <translation>音量：</translation>
    </message>
    <message>
        <source>Prohibit audio broadcast streaming</source>
        <translation>禁止音频广播流</translation>
    </message>
</context>
<context>
    <name>aulira::app::PropertiesPane</name>
    <message>
        <source>Property</source>
        <translation>属性</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>值</translation>
    </message>
    <message>
        <source>Device Properties</source>
        <translation>设备属性</translation>
    </message>
    <message>
        <source>Network configuration</source>
        <translation>网络配置</translation>
    </message>
    <message>
        <source>Subnet Mask</source>
        <translation>子网掩码</translation>
    </message>
    <message>
        <source>Subnet mask for audio device</source>
        <translation>音频设备的子网掩码</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>网关</translation>
    </message>
    <message>
        <source>Gateway for audio devices</source>
        <translation>音频设备的网关</translation>
    </message>
    <message>
        <source>Preferred DNS</source>
        <translation>首选 DNS</translation>
    </message>
    <message>
        <source>Preferred DNS Server</source>
        <translation>首选 DNS 服务器</translation>
    </message>
    <message>
        <source>Alternative DNS</source>
        <translation>备用 DNS</translation>
    </message>
    <message>
        <source>Alternative DNS server</source>
        <translation>备用 DNS 服务器</translation>
    </message>
    <message>
        <source>Preferred Server</source>
        <translation>首选服务器</translation>
    </message>
    <message>
        <source>Preferred audio server IP</source>
        <translation>首选音频服务器 IP</translation>
    </message>
    <message>
        <source>Alternative Server</source>
        <translation>备用服务器</translation>
    </message>
    <message>
        <source>Alternative Audio Server IP</source>
        <translation>备用音频服务器 IP</translation>
    </message>
    <message>
        <source>No device selected: click a device in the list.</source>
        <translation>未选择设备：请在列表中单击一台设备。</translation>
    </message>
    <message>
        <source>Affiliated Group</source>
        <translation>所属分组</translation>
    </message>
    <message>
        <source>The 8 broadcast group numbers the device has joined</source>
        <translation>设备已加入的 8 个广播分组编号</translation>
    </message>
</context>
<context>
    <name>aulira::app::RecordingParaPage</name>
    <message>
        <source>Input</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>Audio Source:</source>
        <translation>音源：</translation>
    </message>
    <message>
        <source>Gain:</source>
        <translation>增益：</translation>
    </message>
    <message>
        <source>Samplerate(Hz):</source>
        <translation>采样率(Hz)：</translation>
    </message>
    <message>
        <source>Trigger Delay(s):</source>
        <translation>触发延时(秒)：</translation>
    </message>
    <message>
        <source>Trigger Value:</source>
        <translation>触发值：</translation>
    </message>
    <message>
        <source>Sound</source>
        <translation>声音</translation>
    </message>
    <message>
        <source>Prompt Volume:</source>
        <translation>提示音量：</translation>
    </message>
</context>
<context>
    <name>aulira::app::ReviewDialog</name>
    <message>
        <source>Review the changes</source>
        <translation>检查更改</translation>
    </message>
    <message>
        <source>Save writes these changes to the device:</source>
        <translation>保存将把以下更改写入设备：</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>字段</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>页面</translation>
    </message>
    <message>
        <source>Old value</source>
        <translation>原值</translation>
    </message>
    <message>
        <source>New value</source>
        <translation>新值</translation>
    </message>
    <message>
        <source>Changes</source>
        <translation>更改</translation>
    </message>
    <message>
        <source>Do not ask again</source>
        <translation>不再询问</translation>
    </message>
    <message>
        <source>Write</source>
        <translation>写入</translation>
    </message>
    <message numerus="yes">
        <source>%n other byte(s) of the record differ.</source>
        <translation>
            <numerusform>记录中另有 %n 个字节不同。</numerusform>
        </translation>
    </message>
    <message>
        <source>Keep this device&apos;s own number, name and address</source>
        <translation>保留此设备自己的编号、名称和地址</translation>
    </message>
</context>
<context>
    <name>aulira::app::RibbonBar</name>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
</context>
<context>
    <name>aulira::app::RolloutCommands</name>
    <message>
        <source>The search is still running; %1 once it has finished.</source>
        <translation>搜索仍在进行中；请在搜索完成后再%1。</translation>
    </message>
    <message>
        <source>Problems in %1: %2; nothing was sent.</source>
        <translation>%1 中存在问题：%2；未发送任何内容。</translation>
    </message>
    <message>
        <source>commission the site</source>
        <translation>调试站点</translation>
    </message>
    <message>
        <source>Commission from plan</source>
        <translation>按计划调试</translation>
    </message>
    <message>
        <source>Site plans (*.csv);;All Files (*.*)</source>
        <translation>站点计划 (*.csv);;所有文件 (*.*)</translation>
    </message>
    <message>
        <source>Commissioning cancelled: nothing was sent.</source>
        <translation>调试已取消：未发送任何内容。</translation>
    </message>
    <message>
        <source>%1 plans these changes. Untick the devices to leave alone; nothing is written before Start in the next window.</source>
        <translation>%1 计划了以下更改。请取消勾选不需要更改的设备；在下一个窗口中按“开始”之前不会写入任何内容。</translation>
    </message>
    <message>
        <source>Reading the parameters of the planned devices (%1)…</source>
        <translation>正在读取计划设备的参数（%1）…</translation>
    </message>
    <message>
        <source>Nothing was written.</source>
        <translation>未写入任何内容。</translation>
    </message>
    <message>
        <source>No device would change: nothing was written.</source>
        <translation>没有设备会发生更改：未写入任何内容。</translation>
    </message>
    <message>
        <source>edit the devices</source>
        <translation>编辑设备</translation>
    </message>
    <message>
        <source>Select the devices to edit in the list first.</source>
        <translation>请先在列表中选择要编辑的设备。</translation>
    </message>
    <message>
        <source>the values</source>
        <translation>这些值</translation>
    </message>
    <message>
        <source>Writing the chosen fields makes these changes. Untick the devices to leave alone.</source>
        <translation>写入所选字段将产生以下更改。请取消勾选不需要更改的设备。</translation>
    </message>
    <message>
        <source>export the site</source>
        <translation>导出站点</translation>
    </message>
    <message>
        <source>Export site to folder</source>
        <translation>将站点导出到文件夹</translation>
    </message>
    <message>
        <source>No device is online: search for the devices first, then export the site.</source>
        <translation>没有在线设备：请先搜索设备，然后再导出站点。</translation>
    </message>
    <message>
        <source>Reading the parameters of the online devices (%1)…</source>
        <translation>正在读取在线设备的参数（%1）…</translation>
    </message>
    <message>
        <source>The export was cancelled: nothing was written.</source>
        <translation>导出已取消：未写入任何内容。</translation>
    </message>
    <message>
        <source>The site could not be exported to %1: %2</source>
        <translation>无法将站点导出到 %1：%2</translation>
    </message>
    <message>
        <source>Exported %1 devices to %2: %3 and one configuration file per device.</source>
        <translation>已将 %1 台设备导出到 %2：%3 以及每台设备一个配置文件。</translation>
    </message>
    <message>
        <source>Devices that could not be read and are not in the export (%1):</source>
        <translation>无法读取且不在导出内容中的设备（%1）：</translation>
    </message>
</context>
<context>
    <name>aulira::app::RolloutReviewDialog</name>
    <message>
        <source>Review the changes</source>
        <translation>检查更改</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>字段</translation>
    </message>
    <message>
        <source>Now</source>
        <translation>当前值</translation>
    </message>
    <message>
        <source>Planned</source>
        <translation>计划值</translation>
    </message>
    <message>
        <source>Changes by device</source>
        <translation>按设备列出的更改</translation>
    </message>
    <message>
        <source>refused: this device&apos;s layout does not have the field</source>
        <translation>已拒绝：此设备的参数布局中没有该字段</translation>
    </message>
    <message>
        <source>other bytes of the record: %1</source>
        <translation>记录中的其他字节：%1</translation>
    </message>
    <message>
        <source>no change</source>
        <translation>无更改</translation>
    </message>
    <message>
        <source>1 change</source>
        <translation>1 项更改</translation>
    </message>
    <message>
        <source>%1 changes</source>
        <translation>%1 项更改</translation>
    </message>
    <message>
        <source>&amp;Tick all</source>
        <translation>全部勾选(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Untick all</source>
        <translation>全部取消勾选(&amp;U)</translation>
    </message>
    <message>
        <source>&amp;Write…</source>
        <translation>写入(&amp;W)…</translation>
    </message>
    <message>
        <source>Do not ask again</source>
        <translation>不再询问</translation>
    </message>
    <message>
        <source>%1 of %2 devices ticked, %3 changes to write.</source>
        <translation>已勾选 %2 台设备中的 %1 台，需写入 %3 项更改。</translation>
    </message>
</context>
<context>
    <name>aulira::app::SearchProgressDialog</name>
    <message>
        <source>Please wait

...</source>
        <translation>请稍候

...</translation>
    </message>
    <message>
        <source>Searching for all audio devices in the local area network...</source>
        <translation>正在搜索局域网内的所有音频设备...</translation>
    </message>
</context>
<context>
    <name>aulira::app::SelectDevicePage</name>
    <message>
        <source>Select Broadcast Device</source>
        <translation>选择广播设备</translation>
    </message>
    <message>
        <source>Select Intercom Device</source>
        <translation>选择对讲设备</translation>
    </message>
</context>
<context>
    <name>aulira::app::SelectGroupPage</name>
    <message>
        <source>Select Broadcast Group</source>
        <translation>选择广播分组</translation>
    </message>
    <message>
        <source>Group members</source>
        <translation>分组成员</translation>
    </message>
    <message>
        <source>SN</source>
        <translation>序号</translation>
    </message>
</context>
<context>
    <name>aulira::app::SerialParaPage</name>
    <message>
        <source>Serial Port</source>
        <translation>串口</translation>
    </message>
    <message>
        <source>Baud Rate:</source>
        <translation>波特率：</translation>
    </message>
    <message>
        <source>Parity:</source>
        <translation>校验位：</translation>
    </message>
    <message>
        <source>Data Bits:</source>
        <translation>数据位：</translation>
    </message>
    <message>
        <source>Stop Bit:</source>
        <translation>停止位：</translation>
    </message>
    <message>
        <source>Network</source>
        <translation>网络</translation>
    </message>
    <message>
        <source>Target IP:</source>
        <translation>目标 IP：</translation>
    </message>
    <message>
        <source>Local Port:</source>
        <translation>本地端口：</translation>
    </message>
    <message>
        <source>Target Port:</source>
        <translation>目标端口：</translation>
    </message>
</context>
<context>
    <name>aulira::app::SessionParaPage</name>
    <message>
        <source>Input Audio Source</source>
        <translation>输入音源</translation>
    </message>
    <message>
        <source>Input:</source>
        <translation>输入：</translation>
    </message>
    <message>
        <source>Gain:</source>
        <translation>增益：</translation>
    </message>
    <message>
        <source>Session Processing</source>
        <translation>会话处理</translation>
    </message>
    <message>
        <source>Ring Volume:</source>
        <translation>振铃音量：</translation>
    </message>
    <message>
        <source>Session Volume:</source>
        <translation>通话音量：</translation>
    </message>
    <message>
        <source>Ring Count:</source>
        <translation>振铃次数：</translation>
    </message>
    <message>
        <source>(Rings before automatic answer)</source>
        <translation>（自动应答前的振铃次数）</translation>
    </message>
    <message>
        <source>Busy Tone:</source>
        <translation>忙音：</translation>
    </message>
    <message>
        <source>(End of Conversation Busy tone)</source>
        <translation>（通话结束忙音）</translation>
    </message>
    <message>
        <source>Call Key Hang Up:</source>
        <translation>呼叫键挂断：</translation>
    </message>
    <message>
        <source>DSP Processing</source>
        <translation>DSP 处理</translation>
    </message>
    <message>
        <source>Usage Environment:</source>
        <translation>使用环境：</translation>
    </message>
    <message>
        <source>Encoding:</source>
        <translation>编码方式：</translation>
    </message>
    <message>
        <source>Session Cache Size:</source>
        <translation>会话缓存大小：</translation>
    </message>
</context>
<context>
    <name>aulira::app::SettingsSheet</name>
    <message>
        <source>Settings pages</source>
        <translation>设置页面</translation>
    </message>
    <message>
        <source>Parameter name</source>
        <translation>参数名称</translation>
    </message>
    <message>
        <source>Parameter value</source>
        <translation>参数值</translation>
    </message>
    <message>
        <source>Running Information</source>
        <translation>运行信息</translation>
    </message>
    <message>
        <source>Save device to list</source>
        <translation>将设备保存到列表</translation>
    </message>
    <message>
        <source>Load Settings</source>
        <translation>加载设置</translation>
    </message>
    <message>
        <source>Restore...</source>
        <translation>恢复...</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Disable</source>
        <translation>禁用</translation>
    </message>
    <message>
        <source>Device Type</source>
        <translation>设备类型</translation>
    </message>
    <message>
        <source>Firmware Version</source>
        <translation>固件版本</translation>
    </message>
    <message>
        <source>MAC</source>
        <translation>MAC</translation>
    </message>
    <message>
        <source>Obtain IP Address Automatically</source>
        <translation>自动获取 IP 地址</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP 地址</translation>
    </message>
    <message>
        <source>Subnet Mask</source>
        <translation>子网掩码</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>网关</translation>
    </message>
    <message>
        <source>Obtain DNS Automatically</source>
        <translation>自动获取 DNS</translation>
    </message>
    <message>
        <source>Preferred DNS</source>
        <translation>首选 DNS</translation>
    </message>
    <message>
        <source>Alternative DNS</source>
        <translation>备用 DNS</translation>
    </message>
    <message>
        <source>Preferred Server</source>
        <translation>首选服务器</translation>
    </message>
    <message>
        <source>Alternative Server</source>
        <translation>备用服务器</translation>
    </message>
    <message>
        <source>Server Port</source>
        <translation>服务器端口</translation>
    </message>
    <message>
        <source>No parameter of %1 has changed: nothing was written.</source>
        <translation>%1 的参数没有任何更改：未写入任何内容。</translation>
    </message>
    <message>
        <source>The parameters of %1 were not saved: %2</source>
        <translation>%1 的参数未保存：%2</translation>
    </message>
    <message>
        <source>Saving...</source>
        <translation>正在保存...</translation>
    </message>
    <message>
        <source>Parameters saved to %1.</source>
        <translation>参数已保存到 %1。</translation>
    </message>
    <message>
        <source>The parameters of %1 were not saved: %2.</source>
        <translation>%1 的参数未保存：%2。</translation>
    </message>
    <message>
        <source>The parameters were not saved to %1: %2.

Everything typed is still on the sheet; press Save to try again.</source>
        <translation>参数未保存到 %1：%2。

输入的内容仍保留在设置页上；请按“保存”重试。</translation>
    </message>
    <message>
        <source>Reading the parameters of %1...</source>
        <translation>正在读取 %1 的参数...</translation>
    </message>
    <message>
        <source>Cannot read the parameters of %1: %2.</source>
        <translation>无法读取 %1 的参数：%2。</translation>
    </message>
    <message>
        <source>Save Settings</source>
        <translation>保存设置</translation>
    </message>
    <message>
        <source>The device was saved to the list.</source>
        <translation>该设备已保存到列表。</translation>
    </message>
    <message>
        <source>the device</source>
        <translation>该设备</translation>
    </message>
    <message>
        <source>The settings of %1 could not be saved to %2: %3</source>
        <translation>无法将 %1 的设置保存到 %2：%3</translation>
    </message>
    <message>
        <source>Settings of %1 saved to %2.</source>
        <translation>%1 的设置已保存到 %2。</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>Device NO %1 already belongs to %2.</source>
        <translation>设备编号 %1 已属于 %2。</translation>
    </message>
    <message>
        <source>IP address %1 already belongs to %2.</source>
        <translation>IP 地址 %1 已属于 %2。</translation>
    </message>
    <message>
        <source>Aulira</source>
        <translation>Aulira</translation>
    </message>
    <message>
        <source>Discard the changes to %1?</source>
        <translation>放弃对 %1 的更改？</translation>
    </message>
    <message>
        <source>They have not been written to the device.</source>
        <translation>它们尚未写入设备。</translation>
    </message>
    <message>
        <source>&amp;Discard</source>
        <translation>放弃(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Keep Editing</source>
        <translation>继续编辑(&amp;K)</translation>
    </message>
</context>
<context>
    <name>aulira::app::UpgradeDialog</name>
    <message>
        <source>Firmware Batch Upgrade</source>
        <translation>固件批量升级</translation>
    </message>
    <message>
        <source>Batch Upgrade of Microphone Screen Firmware</source>
        <translation>话筒屏幕固件批量升级</translation>
    </message>
    <message>
        <source>&amp;Browse…</source>
        <translation>浏览(&amp;B)…</translation>
    </message>
    <message>
        <source>&amp;Upgrade</source>
        <translation>升级(&amp;U)</translation>
    </message>
    <message>
        <source>How many devices are upgraded at the same time</source>
        <translation>同时升级的设备数量</translation>
    </message>
    <message>
        <source>Devices</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>Version now</source>
        <translation>当前版本</translation>
    </message>
    <message>
        <source>&amp;Retry failed</source>
        <translation>重试失败项(&amp;R)</translation>
    </message>
    <message>
        <source>Run one more batch over the devices that failed</source>
        <translation>对升级失败的设备再运行一个批次</translation>
    </message>
    <message>
        <source>&amp;Save report…</source>
        <translation>保存报告(&amp;S)…</translation>
    </message>
    <message>
        <source>Save every device&apos;s result as a CSV file</source>
        <translation>将每台设备的结果保存为 CSV 文件</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>关闭(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Firmware:</source>
        <translation>固件(&amp;F)：</translation>
    </message>
    <message>
        <source>&amp;Version:</source>
        <translation>版本(&amp;V)：</translation>
    </message>
    <message>
        <source>Compile &amp;Date:</source>
        <translation>编译日期(&amp;D)：</translation>
    </message>
    <message>
        <source>Devices at a &amp;time:</source>
        <translation>同时升级数(&amp;T)：</translation>
    </message>
    <message>
        <source>Upgrade file</source>
        <translation>升级文件</translation>
    </message>
    <message>
        <source>Upgrade files(*.bin);;All Files (*.*)</source>
        <translation>升级文件(*.bin);;所有文件 (*.*)</translation>
    </message>
    <message>
        <source>Upgrading…</source>
        <translation>正在升级…</translation>
    </message>
    <message>
        <source>The batch could not be started.</source>
        <translation>无法启动该批次。</translation>
    </message>
    <message>
        <source>Last batch: %1 upgraded, %2 failed.</source>
        <translation>上一批次：%1 台已升级，%2 台失败。</translation>
    </message>
    <message>
        <source>checking…</source>
        <translation>正在检查…</translation>
    </message>
    <message>
        <source>Asking the upgraded devices for their version…</source>
        <translation>正在向已升级的设备查询版本…</translation>
    </message>
    <message>
        <source>%1 of %2 upgraded devices report version %3.</source>
        <translation>%2 台已升级设备中有 %1 台报告版本 %3。</translation>
    </message>
    <message>
        <source>Save report</source>
        <translation>保存报告</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All Files (*.*)</source>
        <translation>CSV 文件 (*.csv);;所有文件 (*.*)</translation>
    </message>
    <message>
        <source>The report could not be saved to %1: %2</source>
        <translation>无法将报告保存到 %1：%2</translation>
    </message>
    <message>
        <source>Report saved to %1.</source>
        <translation>报告已保存到 %1。</translation>
    </message>
    <message>
        <source> s</source>
        <translation> 秒</translation>
    </message>
    <message>
        <source>How long the upgraded devices restart before their version is asked</source>
        <translation>询问版本前等待已升级设备重启的时长</translation>
    </message>
    <message>
        <source>&amp;Wait for restart:</source>
        <translation>等待重启(&amp;W)：</translation>
    </message>
    <message>
        <source>%1 of %2 upgraded</source>
        <translation>已升级 %1/%2 台</translation>
    </message>
    <message>
        <source>%1 of %2 upgraded: see the rows</source>
        <translation>已升级 %1/%2 台：请查看各行</translation>
    </message>
</context>
</TS>
