<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>Zelvane 1.0 版</source>
        <translation>Zelvane 1.0</translation>
    </message>
    <message>
        <source>2026年12月发布</source>
        <translation>Released Dec 2026</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>关于  Zelvane</source>
        <translation>About Zelvane</translation>
    </message>
</context>
<context>
    <name>CZelvaneDlg</name>
    <message>
        <source>关闭(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>实时读取输入(&amp;L)</source>
        <translation>&amp;Live inputs</translation>
    </message>
    <message>
        <source>Init fail!</source>
        <translation>Init fail!</translation>
    </message>
    <message>
        <source>读状态端口</source>
        <translation>Read status</translation>
    </message>
    <message>
        <source>读控制端口</source>
        <translation>Read control</translation>
    </message>
    <message>
        <source>退出程序</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>测试计算机并口在单片机等控制系统中作为数字I/O口的读写方法！</source>
        <translation>Test a PC&apos;s parallel port as digital I/O for microcontroller systems!</translation>
    </message>
    <message>
        <source>输入控制端口:C0~C3！</source>
        <translation>Control in: C0-C3</translation>
    </message>
    <message>
        <source>输出数据端口:D0~D7！鼠标单击对应的端口来设置为高电平或低电平！</source>
        <translation>Data out D0-D7: click a pin to set it high or low.</translation>
    </message>
    <message>
        <source>输入状态端口:S3~S6！</source>
        <translation>Status in: S3-S6</translation>
    </message>
    <message>
        <source>输出控制端口:C0~C3！鼠标单击对应的端口来设置为高电平或低电平！</source>
        <translation>Control out C0-C3: click a pin to set it high or low.</translation>
    </message>
    <message>
        <source>地端口:G0~G7！低电平！</source>
        <translation>Ground G0-G7: always low.</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>关于 Zelvane(&amp;A)...</source>
        <translation>&amp;About Zelvane...</translation>
    </message>
    <message>
        <source>数据端口作为输入(&amp;I)</source>
        <translation>&amp;Data pins as inputs</translation>
    </message>
    <message>
        <source>没有打开并口。</source>
        <translation>No port is open.</translation>
    </message>
    <message>
        <source>此并口处于 SPP 模式，数据线只能输出；请在 BIOS 设置中改为 PS/2、EPP 或 ECP 模式。</source>
        <translation>This port is in SPP mode, whose data lines only drive; set it to PS/2, EPP or ECP in the firmware setup.</translation>
    </message>
    <message>
        <source>并口：%1</source>
        <translation>Port: %1</translation>
    </message>
    <message>
        <source>没有打开并口：%1</source>
        <translation>No port opened: %1</translation>
    </message>
    <message>
        <source>时间线(&amp;T)...</source>
        <translation>&amp;Timeline...</translation>
    </message>
    <message>
        <source>在单独的窗口中显示各引脚电平随时间的变化，并可录制为 VCD 文件</source>
        <translation>Show each pin&apos;s level over time in a window of its own, and record it as a VCD file</translation>
    </message>
</context>
<context>
    <name>PinToolTip</name>
    <message>
        <source>数据口 0x378</source>
        <translation>data 0x378</translation>
    </message>
    <message>
        <source>状态口 0x379</source>
        <translation>status 0x379</translation>
    </message>
    <message>
        <source>控制口 0x37A</source>
        <translation>control 0x37A</translation>
    </message>
    <message>
        <source>地</source>
        <translation>ground</translation>
    </message>
    <message>
        <source>%1 第 %2 位</source>
        <translation>%1 bit %2</translation>
    </message>
    <message>
        <source>（硬件反相）</source>
        <translation> (inverted by the hardware)</translation>
    </message>
    <message>
        <source>%1 脚</source>
        <translation>pin %1</translation>
    </message>
    <message>
        <source>高电平</source>
        <translation>high</translation>
    </message>
    <message>
        <source>低电平</source>
        <translation>low</translation>
    </message>
    <message>
        <source>输入</source>
        <translation>input</translation>
    </message>
    <message>
        <source>启动时设为高电平；尚未写入并口</source>
        <translation>set high at start; not yet written to the port</translation>
    </message>
</context>
<context>
    <name>PortMessageLine</name>
    <message>
        <source>另一个 Zelvane 正在使用并口，本次读写未完成。</source>
        <translation>Another copy of Zelvane is using the port; the access failed.</translation>
    </message>
    <message>
        <source>另一个 Zelvane 正在使用并口（%1 持有锁），本次读写未完成。</source>
        <translation>Another copy of Zelvane is using the port (%1 has the lock); the access failed.</translation>
    </message>
    <message>
        <source>其他程序正在使用并口（%1），Zelvane 等它空闲 %2 秒后再读写。</source>
        <translation>Another program is using the port (%1); Zelvane leaves it alone until it has been idle for %2 s.</translation>
    </message>
    <message>
        <source>并口已不存在（%1），之后的读写都不会生效。</source>
        <translation>The port has gone away (%1); accesses have no effect from now on.</translation>
    </message>
    <message>
        <source>读写并口失败：%1</source>
        <translation>The port access failed: %1</translation>
    </message>
    <message>
        <source>并口超过 1 秒没有响应，仍在等待内核。</source>
        <translation>The port has not answered for over a second; still waiting for the kernel.</translation>
    </message>
    <message>
        <source>并口在内核中卡住超过 1 秒（%1）：结束该程序即可恢复。</source>
        <translation>The port has been stuck in the kernel for over a second (%1): end that program and Zelvane carries on.</translation>
    </message>
</context>
<context>
    <name>TimelineView</name>
    <message>
        <source>数据</source>
        <translation>data</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>status</translation>
    </message>
    <message>
        <source>控制</source>
        <translation>control</translation>
    </message>
    <message>
        <source>%1 已点击</source>
        <translation>%1 clicked</translation>
    </message>
    <message>
        <source>读状态端口</source>
        <translation>status read</translation>
    </message>
    <message>
        <source>读控制端口</source>
        <translation>control read</translation>
    </message>
    <message>
        <source>数据端口作为输入</source>
        <translation>data in</translation>
    </message>
    <message>
        <source>数据端口作为输出</source>
        <translation>data out</translation>
    </message>
    <message>
        <source>滚轮：以鼠标处为中心缩放；拖动：平移；单击：光标 1；右击：光标 2（按住 Shift 不吸附到边沿）；左右方向键：上一个或下一个边沿；+ 和 -：缩放；F：缩放到全部；End：跟随最新</source>
        <translation>Wheel: zoom at the mouse; drag: pan; click: cursor 1; right click: cursor 2 (Shift: not snapped to an edge); Left, Right: previous or next edge; + and -: zoom; F: zoom to fit; End: follow newest</translation>
    </message>
    <message>
        <source>电平 %1</source>
        <translation>level %1</translation>
    </message>
    <message>
        <source>，宽度 %1</source>
        <translation>, width %1</translation>
    </message>
    <message>
        <source>，周期 %1</source>
        <translation>, period %1</translation>
    </message>
    <message>
        <source>已丢弃 %1 个较早的边沿</source>
        <translation>%1 older edges dropped</translation>
    </message>
    <message>
        <source>隐藏此行</source>
        <translation>Hide this row</translation>
    </message>
    <message>
        <source>上移</source>
        <translation>Move up</translation>
    </message>
    <message>
        <source>下移</source>
        <translation>Move down</translation>
    </message>
    <message>
        <source>显示所有行</source>
        <translation>Show all rows</translation>
    </message>
</context>
<context>
    <name>TimelineWindow</name>
    <message>
        <source>录制</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>暂停显示</source>
        <translation>Pause display</translation>
    </message>
    <message>
        <source>跟随最新</source>
        <translation>Follow newest</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <source>时间线 - Zelvane</source>
        <translation>Timeline - Zelvane</translation>
    </message>
    <message>
        <source>采样间隔：每隔多久读取一次并口</source>
        <translation>Sampling interval: how often the port is read</translation>
    </message>
    <message>
        <source>最近实际达到的采样间隔</source>
        <translation>The sampling interval actually achieved lately</translation>
    </message>
    <message>
        <source>录制为 VCD 文件，保存在文档文件夹中（sigrok PulseView、GTKWave 可打开）</source>
        <translation>Record a VCD file in the documents folder (opens in sigrok PulseView and GTKWave)</translation>
    </message>
    <message>
        <source>冻结显示；采样和录制照常进行</source>
        <translation>Freeze the display; sampling and recording go on</translation>
    </message>
    <message>
        <source>始终显示最新的采样；缩放或平移时自动关闭</source>
        <translation>Keep the newest samples in view; turns off when you zoom or pan</translation>
    </message>
    <message>
        <source>缩放到全部</source>
        <translation>Zoom to fit</translation>
    </message>
    <message>
        <source>显示保存的全部时间</source>
        <translation>Show all the time held</translation>
    </message>
    <message>
        <source>导出 PNG</source>
        <translation>Export PNG</translation>
    </message>
    <message>
        <source>把当前视图保存为 PNG 图片，放在文档文件夹中</source>
        <translation>Save the view as a PNG picture in the documents folder</translation>
    </message>
    <message>
        <source>导出 SVG</source>
        <translation>Export SVG</translation>
    </message>
    <message>
        <source>把当前视图保存为 SVG 矢量图，放在文档文件夹中</source>
        <translation>Save the view as an SVG drawing in the documents folder</translation>
    </message>
    <message>
        <source>两个光标之间的时间差和对应的频率</source>
        <translation>The time between the two cursors and its frequency</translation>
    </message>
    <message>
        <source>最近保存的文件</source>
        <translation>The file saved last</translation>
    </message>
    <message>
        <source>打开保存文件的文件夹</source>
        <translation>Open the folder of the saved file</translation>
    </message>
    <message>
        <source>窗口来不及处理，丢失了 %1 个采样</source>
        <translation>The window fell behind and lost %1 samples</translation>
    </message>
    <message>
        <source>实际间隔 %1</source>
        <translation>achieved %1</translation>
    </message>
    <message>
        <source>实际间隔 —</source>
        <translation>achieved —</translation>
    </message>
    <message>
        <source>还没有采样：请确认并口已打开</source>
        <translation>No samples yet: is the port open?</translation>
    </message>
    <message>
        <source>无法录制：%1</source>
        <translation>Cannot record: %1</translation>
    </message>
    <message>
        <source>停止录制</source>
        <translation>Stop recording</translation>
    </message>
    <message>
        <source>录制未能完整写入：%1</source>
        <translation>The recording was not written completely: %1</translation>
    </message>
    <message>
        <source>无法保存 %1</source>
        <translation>Cannot save %1</translation>
    </message>
    <message>
        <source>绝对时间</source>
        <translation>Time of day</translation>
    </message>
    <message>
        <source>标尺显示当天的时刻（本地时间）；关闭时从第一个采样起计时</source>
        <translation>Ruler: the time of day (local time); off, the time since the first sample</translation>
    </message>
</context>
</TS>
