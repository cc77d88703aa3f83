<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW" sourcelanguage="zh_CN">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>Zelvane 1.0 版</source>
        <translation>Zelvane 1.0 版</translation>
    </message>
    <message>
        <source>2026年12月发布</source>
        <translation>2026年12月發布</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>確定</translation>
    </message>
    <message>
        <source>关于  Zelvane</source>
        <translation>關於  Zelvane</translation>
    </message>
</context>
<context>
    <name>CZelvaneDlg</name>
    <message>
        <source>关闭(&amp;C)</source>
        <translation>關閉(&amp;C)</translation>
    </message>
    <message>
        <source>实时读取输入(&amp;L)</source>
        <translation>即時讀取輸入(&amp;L)</translation>
    </message>
    <message>
        <source>Init fail!</source>
        <translation>初始化失敗！</translation>
    </message>
    <message>
        <source>读状态端口</source>
        <translation>讀取狀態埠</translation>
    </message>
    <message>
        <source>读控制端口</source>
        <translation>讀取控制埠</translation>
    </message>
    <message>
        <source>退出程序</source>
        <translation>結束程式</translation>
    </message>
    <message>
        <source>测试计算机并口在单片机等控制系统中作为数字I/O口的读写方法！</source>
        <translation>測試電腦並列埠在單晶片等控制系統中作為數位I/O埠的讀寫方法！</translation>
    </message>
    <message>
        <source>输入控制端口:C0~C3！</source>
        <translation>輸入控制埠:C0~C3！</translation>
    </message>
    <message>
        <source>输出数据端口:D0~D7！鼠标单击对应的端口来设置为高电平或低电平！</source>
        <translation>輸出資料埠:D0~D7！點選對應的接腳來設定為高電位或低電位！</translation>
    </message>
    <message>
        <source>输入状态端口:S3~S6！</source>
        <translation>輸入狀態埠:S3~S6！</translation>
    </message>
    <message>
        <source>输出控制端口:C0~C3！鼠标单击对应的端口来设置为高电平或低电平！</source>
        <translation>輸出控制埠:C0~C3！點選對應的接腳來設定為高電位或低電位！</translation>
    </message>
    <message>
        <source>地端口:G0~G7！低电平！</source>
        <translation>接地接腳:G0~G7！低電位！</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>關於</translation>
    </message>
    <message>
        <source>关于 Zelvane(&amp;A)...</source>
        <translation>關於 Zelvane(&amp;A)...</translation>
    </message>
    <message>
        <source>数据端口作为输入(&amp;I)</source>
        <translation>資料埠作為輸入(&amp;I)</translation>
    </message>
    <message>
        <source>没有打开并口。</source>
        <translation>沒有開啟並列埠。</translation>
    </message>
    <message>
        <source>此并口处于 SPP 模式，数据线只能输出；请在 BIOS 设置中改为 PS/2、EPP 或 ECP 模式。</source>
        <translation>此並列埠處於 SPP 模式，資料線只能輸出；請在 BIOS 設定中改為 PS/2、EPP 或 ECP 模式。</translation>
    </message>
    <message>
        <source>并口：%1</source>
        <translation>並列埠：%1</translation>
    </message>
    <message>
        <source>没有打开并口：%1</source>
        <translation>沒有開啟並列埠：%1</translation>
    </message>
</context>
<context>
    <name>PinToolTip</name>
    <message>
        <source>数据口 0x378</source>
        <translation>資料埠 0x378</translation>
    </message>
    <message>
        <source>状态口 0x379</source>
        <translation>狀態埠 0x379</translation>
    </message>
    <message>
        <source>控制口 0x37A</source>
        <translation>控制埠 0x37A</translation>
    </message>
    <message>
        <source>地</source>
        <translation>接地</translation>
    </message>
    <message>
        <source>%1 第 %2 位</source>
        <translation>%1 第 %2 位元</translation>
    </message>
    <message>
        <source>（硬件反相）</source>
        <translation>（硬體反相）</translation>
    </message>
    <message>
        <source>%1 脚</source>
        <translation>第 %1 腳</translation>
    </message>
    <message>
        <source>高电平</source>
        <translation>高電位</translation>
    </message>
    <message>
        <source>低电平</source>
        <translation>低電位</translation>
    </message>
    <message>
        <source>输入</source>
        <translation>輸入</translation>
    </message>
    <message>
        <source>启动时设为高电平；尚未写入并口</source>
        <translation>啟動時設為高電位；尚未寫入並列埠</translation>
    </message>
</context>
<context>
    <name>PortMessageLine</name>
    <message>
        <source>另一个 Zelvane 正在使用并口，本次读写未完成。</source>
        <translation>另一個 Zelvane 正在使用並列埠，本次讀寫未完成。</translation>
    </message>
    <message>
        <source>另一个 Zelvane 正在使用并口（%1 持有锁），本次读写未完成。</source>
        <translation>另一個 Zelvane 正在使用並列埠（%1 持有鎖），本次讀寫未完成。</translation>
    </message>
    <message>
        <source>其他程序正在使用并口（%1），Zelvane 等它空闲 %2 秒后再读写。</source>
        <translation>其他程式正在使用並列埠（%1），Zelvane 等它閒置 %2 秒後再讀寫。</translation>
    </message>
    <message>
        <source>并口已不存在（%1），之后的读写都不会生效。</source>
        <translation>並列埠已不存在（%1），之後的讀寫都不會生效。</translation>
    </message>
    <message>
        <source>读写并口失败：%1</source>
        <translation>讀寫並列埠失敗：%1</translation>
    </message>
    <message>
        <source>并口超过 1 秒没有响应，仍在等待内核。</source>
        <translation>並列埠超過 1 秒沒有回應，仍在等待核心。</translation>
    </message>
    <message>
        <source>并口在内核中卡住超过 1 秒（%1）：结束该程序即可恢复。</source>
        <translation>並列埠在核心中卡住超過 1 秒（%1）：結束該程式即可恢復。</translation>
    </message>
</context>
</TS>
