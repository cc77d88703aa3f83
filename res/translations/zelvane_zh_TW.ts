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
    <message>
        <source>时间线(&amp;T)...</source>
        <translation>時間軸(&amp;T)...</translation>
    </message>
    <message>
        <source>在单独的窗口中显示各引脚电平随时间的变化，并可录制为 VCD 文件</source>
        <translation>在獨立的視窗中顯示各接腳電位隨時間的變化，並可錄製為 VCD 檔案</translation>
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
<context>
    <name>TimelineView</name>
    <message>
        <source>数据</source>
        <translation>資料</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>狀態</translation>
    </message>
    <message>
        <source>控制</source>
        <translation>控制</translation>
    </message>
    <message>
        <source>%1 已点击</source>
        <translation>%1 已點選</translation>
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
        <source>数据端口作为输入</source>
        <translation>資料埠作為輸入</translation>
    </message>
    <message>
        <source>数据端口作为输出</source>
        <translation>資料埠作為輸出</translation>
    </message>
    <message>
        <source>滚轮：以鼠标处为中心缩放；拖动：平移；单击：光标 1；右击：光标 2（按住 Shift 不吸附到边沿）；左右方向键：上一个或下一个边沿；+ 和 -：缩放；F：缩放到全部；End：跟随最新</source>
        <translation>滾輪：以滑鼠處為中心縮放；拖曳：平移；點選：游標 1；右鍵：游標 2（按住 Shift 不吸附到邊緣）；左右方向鍵：上一個或下一個邊緣；+ 和 -：縮放；F：縮放至全部；End：跟隨最新</translation>
    </message>
    <message>
        <source>电平 %1</source>
        <translation>電位 %1</translation>
    </message>
    <message>
        <source>，宽度 %1</source>
        <translation>，寬度 %1</translation>
    </message>
    <message>
        <source>，周期 %1</source>
        <translation>，週期 %1</translation>
    </message>
    <message>
        <source>已丢弃 %1 个较早的边沿</source>
        <translation>已捨棄 %1 個較早的邊緣</translation>
    </message>
    <message>
        <source>隐藏此行</source>
        <translation>隱藏此列</translation>
    </message>
    <message>
        <source>上移</source>
        <translation>上移</translation>
    </message>
    <message>
        <source>下移</source>
        <translation>下移</translation>
    </message>
    <message>
        <source>显示所有行</source>
        <translation>顯示所有列</translation>
    </message>
</context>
<context>
    <name>TimelineWindow</name>
    <message>
        <source>录制</source>
        <translation>錄製</translation>
    </message>
    <message>
        <source>暂停显示</source>
        <translation>暫停顯示</translation>
    </message>
    <message>
        <source>跟随最新</source>
        <translation>跟隨最新</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>開啟資料夾</translation>
    </message>
    <message>
        <source>时间线 - Zelvane</source>
        <translation>時間軸 - Zelvane</translation>
    </message>
    <message>
        <source>采样间隔：每隔多久读取一次并口</source>
        <translation>取樣間隔：每隔多久讀取一次並列埠</translation>
    </message>
    <message>
        <source>最近实际达到的采样间隔</source>
        <translation>最近實際達到的取樣間隔</translation>
    </message>
    <message>
        <source>录制为 VCD 文件，保存在文档文件夹中（sigrok PulseView、GTKWave 可打开）</source>
        <translation>錄製為 VCD 檔案，儲存在文件資料夾中（sigrok PulseView、GTKWave 可開啟）</translation>
    </message>
    <message>
        <source>冻结显示；采样和录制照常进行</source>
        <translation>凍結顯示；取樣和錄製照常進行</translation>
    </message>
    <message>
        <source>始终显示最新的采样；缩放或平移时自动关闭</source>
        <translation>始終顯示最新的取樣；縮放或平移時自動關閉</translation>
    </message>
    <message>
        <source>缩放到全部</source>
        <translation>縮放至全部</translation>
    </message>
    <message>
        <source>显示保存的全部时间</source>
        <translation>顯示保存的全部時間</translation>
    </message>
    <message>
        <source>导出 PNG</source>
        <translation>匯出 PNG</translation>
    </message>
    <message>
        <source>把当前视图保存为 PNG 图片，放在文档文件夹中</source>
        <translation>把目前的檢視儲存為 PNG 圖片，放在文件資料夾中</translation>
    </message>
    <message>
        <source>导出 SVG</source>
        <translation>匯出 SVG</translation>
    </message>
    <message>
        <source>把当前视图保存为 SVG 矢量图，放在文档文件夹中</source>
        <translation>把目前的檢視儲存為 SVG 向量圖，放在文件資料夾中</translation>
    </message>
    <message>
        <source>两个光标之间的时间差和对应的频率</source>
        <translation>兩個游標之間的時間差和對應的頻率</translation>
    </message>
    <message>
        <source>最近保存的文件</source>
        <translation>最近儲存的檔案</translation>
    </message>
    <message>
        <source>打开保存文件的文件夹</source>
        <translation>開啟儲存檔案的資料夾</translation>
    </message>
    <message>
        <source>窗口来不及处理，丢失了 %1 个采样</source>
        <translation>視窗來不及處理，遺失了 %1 個取樣</translation>
    </message>
    <message>
        <source>实际间隔 %1</source>
        <translation>實際間隔 %1</translation>
    </message>
    <message>
        <source>实际间隔 —</source>
        <translation>實際間隔 —</translation>
    </message>
    <message>
        <source>还没有采样：请确认并口已打开</source>
        <translation>還沒有取樣：請確認並列埠已開啟</translation>
    </message>
    <message>
        <source>无法录制：%1</source>
        <translation>無法錄製：%1</translation>
    </message>
    <message>
        <source>停止录制</source>
        <translation>停止錄製</translation>
    </message>
    <message>
        <source>录制未能完整写入：%1</source>
        <translation>錄製未能完整寫入：%1</translation>
    </message>
    <message>
        <source>无法保存 %1</source>
        <translation>無法儲存 %1</translation>
    </message>
    <message>
        <source>绝对时间</source>
        <translation>絕對時間</translation>
    </message>
    <message>
        <source>标尺显示当天的时刻（本地时间）；关闭时从第一个采样起计时</source>
        <translation>標尺顯示當天的時刻（本地時間）；關閉時從第一個取樣起計時</translation>
    </message>
</context>
</TS>
