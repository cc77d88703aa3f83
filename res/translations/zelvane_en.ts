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
</TS>
