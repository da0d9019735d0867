<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AdapterLibrary</name>
    <message>
        <source>cannot load the adapter library %1 named by KAVRIS_TELKOR (no such file)</source>
        <translation>cannot load the adapter library %1 named by KAVRIS_TELKOR (no such file)</translation>
    </message>
    <message>
        <source>%1: no such file</source>
        <translation>%1: no such file</translation>
    </message>
    <message>
        <source>the adapter library %1 lacks the entries %2</source>
        <translation>the adapter library %1 lacks the entries %2</translation>
    </message>
    <message>
        <source>cannot load the adapter library %1 (%2)</source>
        <translation>cannot load the adapter library %1 (%2)</translation>
    </message>
</context>
<context>
    <name>AdapterSession</name>
    <message>
        <source>无设备连接！</source>
        <translation>No adapter connected!</translation>
    </message>
    <message>
        <source>打开设备失败！</source>
        <translation>Could not open the adapter!</translation>
    </message>
    <message>
        <source>配置设备失败！</source>
        <translation>Could not configure the adapter!</translation>
    </message>
    <message>
        <source>写数据失败！</source>
        <translation>Write failed!</translation>
    </message>
    <message>
        <source>读数据失败！</source>
        <translation>Read failed!</translation>
    </message>
    <message>
        <source>写读数据失败！</source>
        <translation>Write-read failed!</translation>
    </message>
    <message>
        <source>从机模式写数据失败！</source>
        <translation>Slave-mode write failed!</translation>
    </message>
    <message>
        <source>从机写数据失败！</source>
        <translation>Slave write failed!</translation>
    </message>
    <message>
        <source>从机读数据失败！</source>
        <translation>Slave read failed!</translation>
    </message>
    <message>
        <source>块写数据失败！</source>
        <translation>Block write failed!</translation>
    </message>
    <message>
        <source>块模式读数据失败！</source>
        <translation>Block-mode read failed!</translation>
    </message>
    <message>
        <source>块模式写读数据失败！</source>
        <translation>Block-mode write-read failed!</translation>
    </message>
    <message>
        <source>不能在从机模式下进行块读写操作！</source>
        <translation>Block transfers are not possible in slave mode!</translation>
    </message>
    <message>
        <source>写数据超过%1字节的缓冲区上限，未发送！</source>
        <translation>The write data exceed the buffer limit of %1 bytes; nothing sent!</translation>
    </message>
    <message>
        <source>读数据超过%1字节的缓冲区上限，未读取！</source>
        <translation>The read exceeds the buffer limit of %1 bytes; nothing read!</translation>
    </message>
    <message>
        <source>该设备未连接！</source>
        <translation>This adapter is not connected!</translation>
    </message>
    <message>
        <source>获取固件信息失败！</source>
        <translation>Could not read the firmware information!</translation>
    </message>
    <message>
        <source>从机模式下不能进行此操作！</source>
        <translation>Not possible in slave mode!</translation>
    </message>
    <message>
        <source>扫描设备</source>
        <translation>scanning for adapters</translation>
    </message>
    <message>
        <source>打开设备</source>
        <translation>opening the adapter</translation>
    </message>
    <message>
        <source>配置设备</source>
        <translation>configuring the adapter</translation>
    </message>
    <message>
        <source>获取固件信息</source>
        <translation>reading the firmware information</translation>
    </message>
    <message>
        <source>写数据</source>
        <translation>write</translation>
    </message>
    <message>
        <source>读数据</source>
        <translation>read</translation>
    </message>
    <message>
        <source>写读数据</source>
        <translation>write-read</translation>
    </message>
    <message>
        <source>从机读数据</source>
        <translation>slave read</translation>
    </message>
    <message>
        <source>块写数据</source>
        <translation>block write</translation>
    </message>
    <message>
        <source>块读数据</source>
        <translation>block read</translation>
    </message>
    <message>
        <source>块写读数据</source>
        <translation>block write-read</translation>
    </message>
    <message>
        <source>%1完成：%2块，用时%3秒</source>
        <translation>Done: %1, %2 blocks in %3 s</translation>
    </message>
</context>
<context>
    <name>DecoderDialog</name>
    <message>
        <source>解码器</source>
        <translation>Decoders</translation>
    </message>
    <message>
        <source>每个片选的解码器：自动时，JEDEC ID 的回答认出已知闪存即用闪存解码器。</source>
        <translation>The decoder of each chip select. Auto takes the flash decoder once a JEDEC ID answer names a known flash chip.</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>SPI NOR 闪存</source>
        <translation>SPI NOR flash</translation>
    </message>
    <message>
        <source>寄存器组</source>
        <translation>Register bank</translation>
    </message>
    <message>
        <source>设备 %1 %2</source>
        <translation>Adapter %1 %2</translation>
    </message>
    <message>
        <source>（已认出 %1）</source>
        <translation> (recognised: %1)</translation>
    </message>
</context>
<context>
    <name>DeviceFleet</name>
    <message>
        <source>kavris-run: no adapter found</source>
        <translation>kavris-run: no adapter found</translation>
    </message>
    <message>
        <source>Summary:</source>
        <translation>Summary:</translation>
    </message>
    <message>
        <source>[%1] ok</source>
        <translation>[%1] ok</translation>
    </message>
    <message>
        <source>[%1] failed, exit code %2: %3</source>
        <translation>[%1] failed, exit code %2: %3</translation>
    </message>
    <message>
        <source>kavris-run: cannot write %1</source>
        <translation>kavris-run: cannot write %1</translation>
    </message>
</context>
<context>
    <name>ExpectedLog</name>
    <message>
        <source>line %1 differs
  expected: %2
  actual:   %3</source>
        <translation>line %1 differs
  expected: %2
  actual:   %3</translation>
    </message>
    <message>
        <source>(end of the expected log)</source>
        <translation>(end of the expected log)</translation>
    </message>
    <message>
        <source>(end of the log)</source>
        <translation>(end of the log)</translation>
    </message>
</context>
<context>
    <name>FirmwareInfo</name>
    <message>
        <source>固件名称: </source>
        <translation>Firmware name: </translation>
    </message>
    <message>
        <source>编译日期: </source>
        <translation>Build date: </translation>
    </message>
    <message>
        <source>固件版本: </source>
        <translation>Firmware version: </translation>
    </message>
    <message>
        <source>硬件版本: </source>
        <translation>Hardware version: </translation>
    </message>
    <message>
        <source>设备序号: </source>
        <translation>Serial number: </translation>
    </message>
    <message>
        <source>固件功能: </source>
        <translation>Functions: </translation>
    </message>
</context>
<context>
    <name>FlashChip</name>
    <message>
        <source>未知厂商</source>
        <translation>unknown maker</translation>
    </message>
    <message>
        <source>JEDEC ID %1，%2，容量未知</source>
        <translation>JEDEC ID %1, %2, size unknown</translation>
    </message>
    <message>
        <source>SFDP</source>
        <translation>SFDP</translation>
    </message>
    <message>
        <source>内置芯片表</source>
        <translation>built-in chip table</translation>
    </message>
    <message>
        <source>指定容量</source>
        <translation>size given</translation>
    </message>
    <message>
        <source>JEDEC ID %1，%2，%3，页 %4 字节，擦除 %5（%6）</source>
        <translation>JEDEC ID %1, %2, %3, page %4 bytes, erase %5 (%6)</translation>
    </message>
    <message>
        <source>仅整片</source>
        <translation>whole chip only</translation>
    </message>
</context>
<context>
    <name>FlashCommand</name>
    <message>
        <source>kavris-run: --size gives the size of a chip the program does not know</source>
        <translation>kavris-run: --size gives the size of a chip the program does not know</translation>
    </message>
</context>
<context>
    <name>FlashEngine</name>
    <message>
        <source>应读 %1 字节，收到 %2 字节</source>
        <translation>expected %1 bytes, received %2</translation>
    </message>
</context>
<context>
    <name>FlashJobRunner</name>
    <message>
        <source>闪存识别</source>
        <translation>Flash identify</translation>
    </message>
    <message>
        <source>闪存读取</source>
        <translation>Flash read</translation>
    </message>
    <message>
        <source>闪存校验</source>
        <translation>Flash verify</translation>
    </message>
    <message>
        <source>闪存写入</source>
        <translation>Flash write</translation>
    </message>
    <message>
        <source>闪存擦除</source>
        <translation>Flash erase</translation>
    </message>
    <message>
        <source>FL : %1（设备 %2，%3）：%4</source>
        <translation>FL : %1 (adapter %2, %3): %4</translation>
    </message>
    <message>
        <source>用时 %1 秒</source>
        <translation> Took %1 s.</translation>
    </message>
    <message>
        <source>无法读取文件 %1：%2</source>
        <translation>Cannot read the file %1: %2</translation>
    </message>
    <message>
        <source>文件 %1 大于 %2 MiB，不能写入闪存。</source>
        <translation>The file %1 is larger than %2 MiB and cannot be written to a flash.</translation>
    </message>
    <message>
        <source>适配器正被另一个闪存作业使用。</source>
        <translation>The adapter is in use by another flash job.</translation>
    </message>
    <message>
        <source>无法写入文件 %1：%2</source>
        <translation>Cannot write the file %1: %2</translation>
    </message>
</context>
<context>
    <name>FlashPace</name>
    <message>
        <source>识别</source>
        <translation>Identifying</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Reading</translation>
    </message>
    <message>
        <source>比较</source>
        <translation>Comparing</translation>
    </message>
    <message>
        <source>解除保护</source>
        <translation>Unprotecting</translation>
    </message>
    <message>
        <source>擦除</source>
        <translation>Erasing</translation>
    </message>
    <message>
        <source>编程</source>
        <translation>Programming</translation>
    </message>
    <message>
        <source>校验</source>
        <translation>Verifying</translation>
    </message>
    <message>
        <source>%1 MiB/s</source>
        <translation>%1 MiB/s</translation>
    </message>
    <message>
        <source>%1 KiB/s</source>
        <translation>%1 KiB/s</translation>
    </message>
    <message>
        <source>%1 B/s</source>
        <translation>%1 B/s</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 分 %2 秒</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 %2%</source>
        <translation>%1 %2%</translation>
    </message>
    <message>
        <source>，%1，剩余 %2</source>
        <translation>, %1, %2 left</translation>
    </message>
</context>
<context>
    <name>FlashResult</name>
    <message>
        <source>编程 %1 起的页</source>
        <translation>programming the page at %1</translation>
    </message>
    <message>
        <source>擦除 %1 起 %2</source>
        <translation>erasing %2 at %1</translation>
    </message>
    <message>
        <source>整片擦除</source>
        <translation>erasing the chip</translation>
    </message>
    <message>
        <source>写状态寄存器</source>
        <translation>writing the status register</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>reading</translation>
    </message>
    <message>
        <source>未改动</source>
        <translation>unchanged</translation>
    </message>
    <message>
        <source>已擦除</source>
        <translation>erased</translation>
    </message>
    <message>
        <source>已写入，尚未校验</source>
        <translation>written, not verified yet</translation>
    </message>
    <message>
        <source>已写入并校验</source>
        <translation>written and verified</translation>
    </message>
    <message>
        <source>状态不明</source>
        <translation>state unknown</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>识别完成。</source>
        <translation>Identified.</translation>
    </message>
    <message>
        <source>已读取 %1 字节（%2）。</source>
        <translation>Read %1 bytes (%2).</translation>
    </message>
    <message>
        <source>校验一致：%1 字节（%2）。</source>
        <translation>Verified: %1 bytes match (%2).</translation>
    </message>
    <message>
        <source>已擦除 %1（%2）。</source>
        <translation>Erased %1 (%2).</translation>
    </message>
    <message>
        <source>芯片内容已与映像一致，未擦除也未编程（%1）。</source>
        <translation>The chip already holds the image; nothing erased or programmed (%1).</translation>
    </message>
    <message>
        <source>已写入 %1（%2）：</source>
        <translation>Wrote %1 (%2): </translation>
    </message>
    <message>
        <source>擦除 %1 次共 %2，</source>
        <translation>%1 erases of %2 in all, </translation>
    </message>
    <message>
        <source>编程 %1 次共 %2 字节%3。</source>
        <translation>%1 page programs of %2 bytes in all%3.</translation>
    </message>
    <message>
        <source>，已校验</source>
        <translation>, verified</translation>
    </message>
    <message>
        <source>，未校验</source>
        <translation>, not verified</translation>
    </message>
    <message>
        <source>已取消。</source>
        <translation>Cancelled.</translation>
    </message>
    <message>
        <source>传输失败：%1</source>
        <translation>Transfer failed: %1</translation>
    </message>
    <message>
        <source>芯片在%1后超过 %2 毫秒仍忙，已放弃。</source>
        <translation>The chip was still busy more than %2 ms after %1; gave up.</translation>
    </message>
    <message>
        <source>校验不一致：首个不同在 %1（应为 %2，读出 %3）。</source>
        <translation>Verify failed: first difference at %1 (expected %2, read %3).</translation>
    </message>
    <message>
        <source>范围为空。</source>
        <translation>The range is empty.</translation>
    </message>
    <message>
        <source>范围 %1 超出芯片。</source>
        <translation>The range %1 goes beyond the chip.</translation>
    </message>
    <message>
        <source>擦除范围 %1 未对齐到 %2 的擦除单元。</source>
        <translation>The erase range %1 is not aligned to the %2 erase unit.</translation>
    </message>
    <message>
        <source>没有芯片应答（JEDEC ID %1）。</source>
        <translation>No chip answered (JEDEC ID %1).</translation>
    </message>
    <message>
        <source>不认识的芯片（JEDEC ID %1）：既没有 SFDP 表，也不在内置芯片表中。</source>
        <translation>Unknown chip (JEDEC ID %1): it has no SFDP tables and is not in the built-in chip table.</translation>
    </message>
    <message>
        <source>范围 %1 受写保护（状态寄存器 1 为 %2：%3），未作改动；可选择解除保护。</source>
        <translation>The range %1 is write-protected (status register 1 is %2: %3); nothing changed. Unprotecting can clear it.</translation>
    </message>
    <message>
        <source>无法解除写保护：状态寄存器被锁定（状态寄存器 1 为 %1：%2，WP# 为低电平）。</source>
        <translation>Cannot clear the write protection: the status register is locked (status register 1 is %1: %2, WP# low).</translation>
    </message>
    <message>
        <source>芯片现状：%1。</source>
        <translation> The chip now: %1.</translation>
    </message>
</context>
<context>
    <name>FlashWindow</name>
    <message>
        <source>Binary files (*.bin);;Any files (*)</source>
        <translation>Binary files (*.bin);;Any files (*)</translation>
    </message>
    <message>
        <source>闪存编程</source>
        <translation>Flash Programmer</translation>
    </message>
    <message>
        <source>芯片</source>
        <translation>Chip</translation>
    </message>
    <message>
        <source>厂商：</source>
        <translation>Maker:</translation>
    </message>
    <message>
        <source>型号：</source>
        <translation>Part:</translation>
    </message>
    <message>
        <source>JEDEC ID：</source>
        <translation>JEDEC ID:</translation>
    </message>
    <message>
        <source>容量：</source>
        <translation>Size:</translation>
    </message>
    <message>
        <source>页大小：</source>
        <translation>Page size:</translation>
    </message>
    <message>
        <source>擦除单元：</source>
        <translation>Erase units:</translation>
    </message>
    <message>
        <source>参数来源：</source>
        <translation>Parameters from:</translation>
    </message>
    <message>
        <source>识别芯片</source>
        <translation>Identify chip</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Operation</translation>
    </message>
    <message>
        <source>到芯片末尾</source>
        <translation>to the chip&apos;s end</translation>
    </message>
    <message>
        <source>十进制或 0x 开头的十六进制，可带 K、M 后缀</source>
        <translation>Decimal, or hex starting with 0x; a K or M suffix may follow</translation>
    </message>
    <message>
        <source>写入后校验</source>
        <translation>Verify after writing</translation>
    </message>
    <message>
        <source>解除写保护</source>
        <translation>Clear write protection</translation>
    </message>
    <message>
        <source>读取到文件…</source>
        <translation>Read to file…</translation>
    </message>
    <message>
        <source>写入文件…</source>
        <translation>Write file…</translation>
    </message>
    <message>
        <source>校验文件…</source>
        <translation>Verify file…</translation>
    </message>
    <message>
        <source>擦除范围</source>
        <translation>Erase range</translation>
    </message>
    <message>
        <source>整片擦除</source>
        <translation>Erase chip</translation>
    </message>
    <message>
        <source>起始地址：</source>
        <translation>Start address:</translation>
    </message>
    <message>
        <source>长度：</source>
        <translation>Length:</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>正在取消：当前操作完成后停止……</source>
        <translation>Cancelling: stops once the current operation is done…</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>起始地址“%1”无效：请输入十进制数或 0x 开头的十六进制数。</source>
        <translation>Invalid start address “%1”: enter a decimal number or a hex number starting with 0x.</translation>
    </message>
    <message>
        <source>长度“%1”无效：请输入大于 0 的十进制数或 0x 开头的十六进制数，留空表示到芯片末尾。</source>
        <translation>Invalid length “%1”: enter a decimal number above 0 or a hex number starting with 0x, or nothing for up to the chip&apos;s end.</translation>
    </message>
    <message>
        <source>读取到文件</source>
        <translation>Read to File</translation>
    </message>
    <message>
        <source>写入文件</source>
        <translation>Write File</translation>
    </message>
    <message>
        <source>校验文件</source>
        <translation>Verify File</translation>
    </message>
    <message>
        <source>确定擦除从 %1 到芯片末尾的内容？</source>
        <translation>Erase everything from %1 to the chip&apos;s end?</translation>
    </message>
    <message>
        <source>确定擦除从 %1 起的 %2？</source>
        <translation>Erase %2 from %1 on?</translation>
    </message>
    <message>
        <source>确定擦除整片闪存？芯片上的全部内容都将丢失。</source>
        <translation>Erase the whole flash? Everything on the chip will be lost.</translation>
    </message>
    <message>
        <source>%1……</source>
        <translation>%1…</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>无：没有 SFDP 表，内置芯片表中也没有</source>
        <translation>none: no SFDP tables, and not in the built-in chip table</translation>
    </message>
    <message>
        <source>%1 字节</source>
        <translation>%1 bytes</translation>
    </message>
    <message>
        <source>仅整片</source>
        <translation>whole chip only</translation>
    </message>
    <message>
        <source>芯片的 SFDP 表</source>
        <translation>the chip&apos;s SFDP tables</translation>
    </message>
    <message>
        <source>内置芯片表</source>
        <translation>built-in chip table</translation>
    </message>
    <message>
        <source>指定容量</source>
        <translation>size given</translation>
    </message>
    <message>
        <source>完成，用时 %1</source>
        <translation>Done in %1</translation>
    </message>
</context>
<context>
    <name>FrameDecoder</name>
    <message>
        <source>JEDEC ID (not read)</source>
        <translation>JEDEC ID (not read)</translation>
    </message>
    <message>
        <source>JEDEC ID: </source>
        <translation>JEDEC ID: </translation>
    </message>
    <message>
        <source>status (not read)</source>
        <translation>status (not read)</translation>
    </message>
    <message>
        <source>status: </source>
        <translation>status: </translation>
    </message>
    <message>
        <source>status 2 (not read)</source>
        <translation>status 2 (not read)</translation>
    </message>
    <message>
        <source>status 2: </source>
        <translation>status 2: </translation>
    </message>
    <message>
        <source>write status: </source>
        <translation>write status: </translation>
    </message>
    <message>
        <source>write enable</source>
        <translation>write enable</translation>
    </message>
    <message>
        <source>write disable</source>
        <translation>write disable</translation>
    </message>
    <message>
        <source>chip erase</source>
        <translation>chip erase</translation>
    </message>
    <message>
        <source>release power-down</source>
        <translation>release power-down</translation>
    </message>
    <message>
        <source>power-down</source>
        <translation>power-down</translation>
    </message>
    <message>
        <source>4-byte addresses</source>
        <translation>4-byte addresses</translation>
    </message>
    <message>
        <source>3-byte addresses</source>
        <translation>3-byte addresses</translation>
    </message>
    <message>
        <source>reset enable</source>
        <translation>reset enable</translation>
    </message>
    <message>
        <source>reset</source>
        <translation>reset</translation>
    </message>
    <message>
        <source>%1: address cut short</source>
        <translation>%1: address cut short</translation>
    </message>
    <message>
        <source>%1 %2, %3 bytes</source>
        <translation>%1 %2, %3 bytes</translation>
    </message>
    <message>
        <source>%1 %2 (%3)</source>
        <translation>%1 %2 (%3)</translation>
    </message>
    <message>
        <source>command %1h</source>
        <translation>command %1h</translation>
    </message>
    <message>
        <source>read %1 (nothing read)</source>
        <translation>read %1 (nothing read)</translation>
    </message>
    <message>
        <source>address %1</source>
        <translation>address %1</translation>
    </message>
    <message>
        <source>%1 %2 %3 %4</source>
        <translation>%1 %2 %3 %4</translation>
    </message>
</context>
<context>
    <name>HexTokens</name>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>等</source>
        <translation> and more</translation>
    </message>
    <message>
        <source>%1个无效十六进制数已按 %2 发送：%3</source>
        <translation>%1 invalid hex tokens sent as %2: %3</translation>
    </message>
    <message>
        <source>%1个无效十六进制数，发送时：</source>
        <translation>%1 invalid hex tokens, sent as follows:</translation>
    </message>
    <message>
        <source>“%1”不是十六进制数，按 %2 发送</source>
        <translation>“%1” is not a hex number: sent as %2</translation>
    </message>
    <message>
        <source>“%1”超过一个字节，按 %2 发送</source>
        <translation>“%1” is wider than a byte: sent as %2</translation>
    </message>
</context>
<context>
    <name>ListCheck</name>
    <message>
        <source>&quot;%1&quot; is wider than a byte (--strict)</source>
        <translation>&quot;%1&quot; is wider than a byte (--strict)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a hex number (--strict)</source>
        <translation>&quot;%1&quot; is not a hex number (--strict)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is wider than a byte; sent as %2</source>
        <translation>&quot;%1&quot; is wider than a byte; sent as %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a hex number; sent as %2</source>
        <translation>&quot;%1&quot; is not a hex number; sent as %2</translation>
    </message>
    <message>
        <source>%1 more tokens not sent as written</source>
        <translation>%1 more tokens not sent as written</translation>
    </message>
    <message>
        <source>kavris-run: cannot read %1</source>
        <translation>kavris-run: cannot read %1</translation>
    </message>
    <message>
        <source>no rows</source>
        <translation>no rows</translation>
    </message>
    <message>
        <source>refused, nothing sent</source>
        <translation>refused, nothing sent</translation>
    </message>
</context>
<context>
    <name>ListFile</name>
    <message>
        <source>列表文件超过%1行的上限，未加载！</source>
        <translation>The list file has more than %1 rows, the limit; not loaded!</translation>
    </message>
    <message>
        <source>列表文件超过%1MB的上限，未加载！</source>
        <translation>The list file is larger than %1 MB, the limit; not loaded!</translation>
    </message>
    <message>
        <source>打开文件出错！</source>
        <translation>Could not open the file!</translation>
    </message>
</context>
<context>
    <name>ListJob</name>
    <message>
        <source>kavris-run: cannot read %1</source>
        <translation>kavris-run: cannot read %1</translation>
    </message>
    <message>
        <source>kavris-run: cannot write %1</source>
        <translation>kavris-run: cannot write %1</translation>
    </message>
</context>
<context>
    <name>ListRunReport</name>
    <message>
        <source>列表执行因错误停止：执行%1行，用时%2秒</source>
        <translation>List run stopped by an error: %1 rows run in %2 s</translation>
    </message>
    <message>
        <source>循环执行列表已停止：共%1遍，执行%2行，用时%3秒</source>
        <translation>Cyclic list run stopped: %1 passes, %2 rows run in %3 s</translation>
    </message>
    <message>
        <source>单次执行列表完成：执行%1行，用时%2秒</source>
        <translation>List run once: %1 rows run in %2 s</translation>
    </message>
</context>
<context>
    <name>LogFeatures</name>
    <message>
        <source>显示时间</source>
        <translation>Show times</translation>
    </message>
    <message>
        <source>显示解码</source>
        <translation>Show decoding</translation>
    </message>
    <message>
        <source>解码器…</source>
        <translation>Decoders…</translation>
    </message>
    <message>
        <source>查找…</source>
        <translation>Find…</translation>
    </message>
    <message>
        <source>另存为 CSV</source>
        <translation>Save as CSV</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Save File</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv);;Any files (*)</source>
        <translation>CSV files (*.csv);;Any files (*)</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Save file failed!</source>
        <translation>Save file failed!</translation>
    </message>
</context>
<context>
    <name>LogFindBar</name>
    <message>
        <source>十六进制</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>文本</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>如 9F XX 15</source>
        <translation>e.g. 9F XX 15</translation>
    </message>
    <message>
        <source>上一个 (Shift+Enter)</source>
        <translation>Previous (Shift+Enter)</translation>
    </message>
    <message>
        <source>下一个 (Enter)</source>
        <translation>Next (Enter)</translation>
    </message>
    <message>
        <source>关闭 (Esc)</source>
        <translation>Close (Esc)</translation>
    </message>
    <message>
        <source>每个字节两位十六进制数字或 XX，以空格分隔</source>
        <translation>Each byte two hex digits or XX, separated by blanks</translation>
    </message>
    <message>
        <source>已从头继续</source>
        <translation>Continued from the start</translation>
    </message>
    <message>
        <source>已从末尾继续</source>
        <translation>Continued from the end</translation>
    </message>
    <message>
        <source>未找到</source>
        <translation>Not found</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>设备索引：</source>
        <translation>Device:</translation>
    </message>
    <message>
        <source>通道索引：</source>
        <translation>Channel:</translation>
    </message>
    <message>
        <source>控制模式：</source>
        <translation>Bus mode:</translation>
    </message>
    <message>
        <source>主从模式：</source>
        <translation>Role:</translation>
    </message>
    <message>
        <source>时钟相位：</source>
        <translation>Clock phase:</translation>
    </message>
    <message>
        <source>时钟极性：</source>
        <translation>Clock polarity:</translation>
    </message>
    <message>
        <source>片选极性：</source>
        <translation>CS polarity:</translation>
    </message>
    <message>
        <source>移位方向：</source>
        <translation>Bit order:</translation>
    </message>
    <message>
        <source>时钟频率：</source>
        <translation>Clock (Hz):</translation>
    </message>
    <message>
        <source>显示</source>
        <translation>Traffic</translation>
    </message>
    <message>
        <source>基础读写</source>
        <translation>Basic</translation>
    </message>
    <message>
        <source>读字节数：</source>
        <translation>Bytes to read:</translation>
    </message>
    <message>
        <source>十六进制</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>写数据</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>读数据</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>写读数据</source>
        <translation>Write-read</translation>
    </message>
    <message>
        <source>块读写</source>
        <translation>Blocks</translation>
    </message>
    <message>
        <source>写块大小：</source>
        <translation>Write block:</translation>
    </message>
    <message>
        <source>读块大小：</source>
        <translation>Read block:</translation>
    </message>
    <message>
        <source>读块数</source>
        <translation>Read blocks</translation>
    </message>
    <message>
        <source>块间隔时间</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>微妙</source>
        <translation>µs</translation>
    </message>
    <message>
        <source>块写数据</source>
        <translation>Block write</translation>
    </message>
    <message>
        <source>块读数据</source>
        <translation>Block read</translation>
    </message>
    <message>
        <source>块写读数据</source>
        <translation>Block write-read</translation>
    </message>
    <message>
        <source>列表读写</source>
        <translation>List</translation>
    </message>
    <message>
        <source>定时时间：</source>
        <translation>Every:</translation>
    </message>
    <message>
        <source>毫秒</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>操作类型：</source>
        <translation>Operation:</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>新添加一行</source>
        <translation>Add a row</translation>
    </message>
    <message>
        <source>删除当前选中行</source>
        <translation>Delete the checked rows</translation>
    </message>
    <message>
        <source>循环执行列表</source>
        <translation>Run the list cyclically</translation>
    </message>
    <message>
        <source>单次执行列表</source>
        <translation>Run the list once</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open a list file</translation>
    </message>
    <message>
        <source>保存为文件</source>
        <translation>Save the list to a file</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>工具</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>ASCII显示</source>
        <translation>ASCII display</translation>
    </message>
    <message>
        <source>清除显示内容</source>
        <translation>Clear the log</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>另存为 Text</source>
        <translation>Save as Text</translation>
    </message>
    <message>
        <source>另存为 Html</source>
        <translation>Save as HTML</translation>
    </message>
    <message>
        <source>引脚定义</source>
        <translation>Pin map</translation>
    </message>
    <message>
        <source>固件信息</source>
        <translation>Firmware information</translation>
    </message>
    <message>
        <source>闪存编程</source>
        <translation>Flash programmer</translation>
    </message>
    <message>
        <source>官方网站&lt;span style=&quot;font-size:12px;&quot;&gt;&lt;/span&gt;：</source>
        <translation>Website: </translation>
    </message>
    <message>
        <source>技术支持：400-000-0000&lt;br&gt;</source>
        <translation>Support: 400-000-0000&lt;br&gt;</translation>
    </message>
    <message>
        <source>版本信息：v%1</source>
        <translation>Version: v%1</translation>
    </message>
    <message>
        <source>管脚定义</source>
        <translation>Pin map</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>硬件全双工</source>
        <translation>Hardware full-duplex</translation>
    </message>
    <message>
        <source>硬件半双工</source>
        <translation>Hardware half-duplex</translation>
    </message>
    <message>
        <source>软件半双工</source>
        <translation>Software half-duplex</translation>
    </message>
    <message>
        <source>单总线模式</source>
        <translation>Single bus</translation>
    </message>
    <message>
        <source>从机</source>
        <translation>Slave</translation>
    </message>
    <message>
        <source>主机</source>
        <translation>Master</translation>
    </message>
    <message>
        <source>低电平</source>
        <translation>Active low</translation>
    </message>
    <message>
        <source>高电平</source>
        <translation>Active high</translation>
    </message>
    <message>
        <source>高位在前</source>
        <translation>MSB first</translation>
    </message>
    <message>
        <source>低位在前</source>
        <translation>LSB first</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>正在%1，已用%2秒</source>
        <translation>Busy: %1, %2 s so far</translation>
    </message>
    <message>
        <source>，预计约%1秒</source>
        <translation>, about %1 s in all</translation>
    </message>
    <message>
        <source>Text files (*.txt);;Any files (*)</source>
        <translation>Text files (*.txt);;Any files (*)</translation>
    </message>
    <message>
        <source>Hyper Text Markup language File(*.html);;Any files (*)</source>
        <translation>Hyper Text Markup language File(*.html);;Any files (*)</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Save File</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Save file failed!</source>
        <translation>Save file failed!</translation>
    </message>
    <message>
        <source>Contains illegal characters!</source>
        <translation>Contains illegal characters!</translation>
    </message>
    <message>
        <source>Too much data to convert: at most %1 bytes can be sent!</source>
        <translation>Too much data to convert: at most %1 bytes can be sent!</translation>
    </message>
    <message>
        <source>停止循环执行列表</source>
        <translation>Stop the cyclic run</translation>
    </message>
    <message>
        <source>确定删除选中行？</source>
        <translation>Delete the checked rows?</translation>
    </message>
    <message>
        <source>保存列表文件</source>
        <translation>Save List File</translation>
    </message>
    <message>
        <source>KAVRIS List File (*.list);;Any files (*)</source>
        <translation>KAVRIS List File (*.list);;Any files (*)</translation>
    </message>
    <message>
        <source>保存文件出错！</source>
        <translation>Could not save the file!</translation>
    </message>
    <message>
        <source>打开列表文件</source>
        <translation>Open List File</translation>
    </message>
    <message>
        <source>KAVRIS List File (*.list);;Text Files (*.txt)</source>
        <translation>KAVRIS List File (*.list);;Text Files (*.txt)</translation>
    </message>
    <message>
        <source>显示</source>
        <comment>menu</comment>
        <translation>View</translation>
    </message>
</context>
<context>
    <name>OperationListModel</name>
    <message>
        <source>不是0到2147483647的整数，按%1执行</source>
        <translation>Not a whole number from 0 to 2147483647: runs as %1</translation>
    </message>
    <message>
        <source>选择</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>操作类型</source>
        <translation>Operation</translation>
    </message>
    <message>
        <source>写数据</source>
        <translation>Write data</translation>
    </message>
    <message>
        <source>读数据字节数</source>
        <translation>Bytes to read</translation>
    </message>
    <message>
        <source>延时(毫秒)</source>
        <translation>Delay (ms)</translation>
    </message>
</context>
<context>
    <name>OperationRow</name>
    <message>
        <source>读数据</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>写读数据</source>
        <translation>Write-read</translation>
    </message>
    <message>
        <source>写数据</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>列表文件中以下行的操作类型无法识别，已载入为未选中行：%1。请检查后再执行！</source>
        <translation>These rows of the list file have an operation that is not known and were loaded unchecked: %1. Check them before running them!</translation>
    </message>
    <message>
        <source>等共%1行</source>
        <translation> and more, %1 rows in all</translation>
    </message>
    <message>
        <source>第%1行“%2”</source>
        <translation>line %1 “%2”</translation>
    </message>
    <message>
        <source>第%1行读数据字节数“%2”</source>
        <translation>line %1 bytes to read “%2”</translation>
    </message>
    <message>
        <source>第%1行延时“%2”</source>
        <translation>line %1 delay “%2”</translation>
    </message>
    <message>
        <source>第%1行</source>
        <translation>line %1</translation>
    </message>
    <message>
        <source>列表文件中以下行的选择字段不是0或1，已载入为未选中行：%1。请检查后再执行！</source>
        <translation>These rows of the list file have a select field other than 0 or 1 and were loaded unchecked: %1. Check them before running them!</translation>
    </message>
    <message>
        <source>列表文件中以下单元格不是0到2147483647的整数，已载入为未选中行：%1。请检查后再执行！</source>
        <translation>These cells of the list file are not whole numbers from 0 to 2147483647; their rows were loaded unchecked: %1. Check them before running them!</translation>
    </message>
    <message>
        <source>等共%1处</source>
        <translation> and more, %1 cells in all</translation>
    </message>
    <message>
        <source>从机模式下不能执行写读数据，以下行已载入为未选中行：%1。请检查后再执行！</source>
        <translation>A slave cannot run write-read; these rows were loaded unchecked: %1. Check them before running them!</translation>
    </message>
    <message>
        <source>列表第%1行：%2</source>
        <translation>List row %1: %2</translation>
    </message>
    <message>
        <source>；另有%1行含无效十六进制数</source>
        <translation>; %1 more rows hold invalid hex tokens</translation>
    </message>
</context>
<context>
    <name>RunOptions</name>
    <message>
        <source>--%1 goes with kavris-run flash</source>
        <translation>--%1 goes with kavris-run flash</translation>
    </message>
    <message>
        <source>flash needs one of id, read, write, verify, erase</source>
        <translation>flash needs one of id, read, write, verify, erase</translation>
    </message>
    <message>
        <source>flash takes id, read, write, verify or erase, not %1</source>
        <translation>flash takes id, read, write, verify or erase, not %1</translation>
    </message>
    <message>
        <source>flash %1 takes one file</source>
        <translation>flash %1 takes one file</translation>
    </message>
    <message>
        <source>flash %1 takes no file</source>
        <translation>flash %1 takes no file</translation>
    </message>
    <message>
        <source>--%1 does not go with flash %2</source>
        <translation>--%1 does not go with flash %2</translation>
    </message>
    <message>
        <source>--%1 takes a positive number of bytes: decimal or 0x hex, with K or M for KiB or MiB</source>
        <translation>--%1 takes a positive number of bytes: decimal or 0x hex, with K or M for KiB or MiB</translation>
    </message>
    <message>
        <source>--%1 takes a number of bytes: decimal or 0x hex, with K or M for KiB or MiB</source>
        <translation>--%1 takes a number of bytes: decimal or 0x hex, with K or M for KiB or MiB</translation>
    </message>
    <message>
        <source>--chip-erase erases the whole chip: no --offset or --length</source>
        <translation>--chip-erase erases the whole chip: no --offset or --length</translation>
    </message>
    <message>
        <source>--device takes an adapter index from 0 to 9</source>
        <translation>--device takes an adapter index from 0 to 9</translation>
    </message>
    <message>
        <source>--device takes adapter indexes from 0 to 9 separated by commas, or all</source>
        <translation>--device takes adapter indexes from 0 to 9 separated by commas, or all</translation>
    </message>
    <message>
        <source>--device names adapter %1 twice</source>
        <translation>--device names adapter %1 twice</translation>
    </message>
    <message>
        <source>--channel takes SPI1_CS0 to SPI1_CS4 or SPI2_CS0 to SPI2_CS4</source>
        <translation>--channel takes SPI1_CS0 to SPI1_CS4 or SPI2_CS0 to SPI2_CS4</translation>
    </message>
    <message>
        <source>--mode takes full, half, soft-half or single</source>
        <translation>--mode takes full, half, soft-half or single</translation>
    </message>
    <message>
        <source>--clock takes a number of hertz</source>
        <translation>--clock takes a number of hertz</translation>
    </message>
    <message>
        <source>--slave goes with the hardware half-duplex mode, the first clock and chip select active low</source>
        <translation>--slave goes with the hardware half-duplex mode, the first clock and chip select active low</translation>
    </message>
    <message>
        <source>--cycles takes a number of passes (0 = until interrupted)</source>
        <translation>--cycles takes a number of passes (0 = until interrupted)</translation>
    </message>
    <message>
        <source>--%1 goes with a list file, not with flash</source>
        <translation>--%1 goes with a list file, not with flash</translation>
    </message>
    <message>
        <source>no list file given</source>
        <translation>no list file given</translation>
    </message>
    <message>
        <source>one list file only</source>
        <translation>one list file only</translation>
    </message>
</context>
<context>
    <name>SaveFileName</name>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 already exists.
Do you want to replace it?</translation>
    </message>
</context>
<context>
    <name>SessionFlashLink</name>
    <message>
        <source>闪存操作需要主机模式：从机不能向芯片发送命令，请在主从模式中选择主机。</source>
        <translation>Flash operations need master mode: a slave cannot send commands to the chip. Choose Master as the role.</translation>
    </message>
</context>
<context>
    <name>SpiTransfer</name>
    <message>
        <source>, blocks %1 us apart</source>
        <translation>, blocks %1 us apart</translation>
    </message>
</context>
<context>
    <name>TrafficLogView</name>
    <message>
        <source>↓ 新条目</source>
        <translation>↓ New entries</translation>
    </message>
    <message>
        <source>有新的条目，点击跳到末尾</source>
        <translation>New entries: click to go to the end</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Select All</translation>
    </message>
</context>
<context>
    <name>UiLanguage</name>
    <message>
        <source>KAVRIS_LANG=%1 is ignored: it takes %2</source>
        <translation>KAVRIS_LANG=%1 is ignored: it takes %2</translation>
    </message>
</context>
<context>
    <name>WaveformDock</name>
    <message>
        <source>波形</source>
        <translation>Waveform</translation>
    </message>
    <message>
        <source>适合窗口</source>
        <translation>Fit</translation>
    </message>
    <message>
        <source>导出 PNG…</source>
        <translation>Export PNG…</translation>
    </message>
    <message>
        <source>PNG 图片 (*.png)</source>
        <translation>PNG images (*.png)</translation>
    </message>
    <message>
        <source>导出 SVG…</source>
        <translation>Export SVG…</translation>
    </message>
    <message>
        <source>SVG 图片 (*.svg)</source>
        <translation>SVG images (*.svg)</translation>
    </message>
    <message>
        <source>导出 VCD…</source>
        <translation>Export VCD…</translation>
    </message>
    <message>
        <source>VCD 文件 (*.vcd)</source>
        <translation>VCD files (*.vcd)</translation>
    </message>
    <message>
        <source>在日志中选择一个条目以查看它的波形</source>
        <translation>Select an entry of the log to see its waveform</translation>
    </message>
    <message>
        <source>这个条目没有保存传输的设置，无法绘制波形</source>
        <translation>This entry was kept without its transfer&apos;s settings: no waveform</translation>
    </message>
    <message>
        <source>从机传输的时钟由对方主机产生，无法绘制波形</source>
        <translation>The master on the other side clocks a slave transfer: no waveform</translation>
    </message>
    <message>
        <source>这个传输没有时钟</source>
        <translation>This transfer has no clock</translation>
    </message>
    <message>
        <source>条目 %1</source>
        <translation>Entry %1</translation>
    </message>
    <message>
        <source>条目 %1–%2：%3 %4</source>
        <translation>Entries %1–%2: %3 %4</translation>
    </message>
    <message>
        <source>导出波形</source>
        <translation>Export Waveform</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Save file failed!</source>
        <translation>Save file failed!</translation>
    </message>
</context>
<context>
    <name>WaveformView</name>
    <message>
        <source>光标 %1</source>
        <translation>Cursor %1</translation>
    </message>
</context>
<context>
    <name>WindowSettings</name>
    <message>
        <source>it is damaged</source>
        <translation>it is damaged</translation>
    </message>
    <message>
        <source>it cannot be read</source>
        <translation>it cannot be read</translation>
    </message>
    <message>
        <source>kavris: the settings file %1 is ignored: %2
</source>
        <translation>kavris: the settings file %1 is ignored: %2
</translation>
    </message>
</context>
<context>
    <name>kavris-run</name>
    <message>
        <source>kavris-run: adapter %1 not found: 1 adapter attached (%2)</source>
        <translation>kavris-run: adapter %1 not found: 1 adapter attached (%2)</translation>
    </message>
    <message>
        <source>kavris-run: adapter %1 not found: %2 adapters attached (%3)</source>
        <translation>kavris-run: adapter %1 not found: %2 adapters attached (%3)</translation>
    </message>
    <message>
        <source>standard output is closed</source>
        <translation>standard output is closed</translation>
    </message>
    <message>
        <source>Try &apos;kavris-run --help&apos;.</source>
        <translation>Try &apos;kavris-run --help&apos;.</translation>
    </message>
    <message>
        <source>Usage: kavris-run [options] FILE.list
       kavris-run [options] flash id | read FILE | write FILE | verify FILE | erase
Runs an operation list on the adapter without a window, printing the traffic log, or
identifies, reads, writes, verifies or erases the SPI NOR flash on the chip select.

Adapter and bus (defaults: the window&apos;s start-up settings):
  --device N          adapter index 0-9 (0); a list such as 0,2,3, or all, runs the
                      same job on each adapter at once, each line of output prefixed
                      with its adapter ([2] ), then a summary line for each
  --channel NAME      SPI1_CS0..SPI1_CS4, SPI2_CS0..SPI2_CS4 (SPI1_CS0)
  --mode MODE         full | half | soft-half | single (half)
  --slave             slave instead of master (hardware half duplex only)
  --cpol              clock polarity 1
  --cpha              clock phase 1
  --cs-high           chip select active high
  --lsb-first         least significant bit first
  --clock HZ          clock in hertz (50000000; 100000 in the software modes)

Run:
  --cycles N          passes over the list (1); 0 repeats until Ctrl+C, which ends the
                      pass under way (a second Ctrl+C ends at once)
  --no-delay          skip the rows&apos; delays
  --ascii             log data as text instead of hex
  --log FILE          write the log as the window&apos;s &quot;save as text&quot; writes it
  --timestamps        print each line after its number, the time its transfer started
                      and how long it took (the window&apos;s time column); --log too
  --csv FILE          write the log as the window&apos;s CSV export writes it: a row per
                      line with its time, duration, settings, hex and text
  --vcd FILE          write every transfer of the run to a VCD file (signals cs, sck,
                      mosi, miso), one after another on one time axis, each with its
                      own settings, for logic-analyser programs such as PulseView
  --expect FILE       compare the log line by line with FILE, where XX in a byte
                      position matches any byte; the first difference ends the run
  --strict            refuse a list whose write data holds hex tokens that are not
                      sent as written (no hex number, or wider than a byte) instead
                      of warning about each
  --junit FILE        also write a JUnit XML report: a test case for each adapter
  --help              this text

Before anything is sent the list is checked, and refused (exit code 3) when it has no
rows or a row has an unknown operation, a select field other than 0 or 1, a count or
delay that is not a whole number from 0 to 2147483647, or is write-read in slave mode.

Flash (the bus options choose the adapter and chip select; any master mode works):
  id                  identify the chip: maker, part, size, page and erase sizes
  read FILE           read the chip, or --offset and --length of it, into FILE
  write FILE          write FILE at --offset: read first, erase and program only what
                      differs, then read the written range back and compare
  verify FILE         compare the chip at --offset with FILE
  erase               erase --offset and --length (whole erase units), or the chip
  --offset N          where the range starts (0); numbers are decimal or 0x hex, with
                      K or M for KiB or MiB
  --length N          bytes of the range (default: up to the chip&apos;s end)
  --size N            the size of a chip that neither its SFDP tables nor the
                      built-in table describe (read and verify only)
  --unprotect         clear the block protection over the range first
  --no-verify         do not read the written range back
  --chip-erase        one chip erase: the whole chip (erase), or first (write)
Progress goes to standard error when it is a terminal. With several adapters, flash
read, --log, --csv and --vcd write a file each, the adapter&apos;s index before the file&apos;s
extension.

Exit codes: 0 success; 1 a transfer or the preparation failed (the window&apos;s warning on
standard error), or a flash chip stayed busy too long; 2 the log differs from the
expected one, or a flash verify found a difference (its first address on standard
error); 3 bad usage, an unreadable or refused list file, an unreadable expected or image
file, a file or standard output that cannot be written, or a missing adapter library or
entry; 4 no flash chip answered, a write to a chip the program does not know, or a
protected range; 130 Ctrl+C (SIGINT) cut the run short; 143 SIGTERM did: standard error
says how far it got and --log ends with a line saying so. Ctrl+C ending --cycles 0 after
its pass is success. With several adapters: the highest of their codes.

The adapter library libTELKOR.so is loaded from the program&apos;s directory first, then from
the loader&apos;s search path.
</source>
        <translation>Usage: kavris-run [options] FILE.list
       kavris-run [options] flash id | read FILE | write FILE | verify FILE | erase
Runs an operation list on the adapter without a window, printing the traffic log, or
identifies, reads, writes, verifies or erases the SPI NOR flash on the chip select.

Adapter and bus (defaults: the window&apos;s start-up settings):
  --device N          adapter index 0-9 (0); a list such as 0,2,3, or all, runs the
                      same job on each adapter at once, each line of output prefixed
                      with its adapter ([2] ), then a summary line for each
  --channel NAME      SPI1_CS0..SPI1_CS4, SPI2_CS0..SPI2_CS4 (SPI1_CS0)
  --mode MODE         full | half | soft-half | single (half)
  --slave             slave instead of master (hardware half duplex only)
  --cpol              clock polarity 1
  --cpha              clock phase 1
  --cs-high           chip select active high
  --lsb-first         least significant bit first
  --clock HZ          clock in hertz (50000000; 100000 in the software modes)

Run:
  --cycles N          passes over the list (1); 0 repeats until Ctrl+C, which ends the
                      pass under way (a second Ctrl+C ends at once)
  --no-delay          skip the rows&apos; delays
  --ascii             log data as text instead of hex
  --log FILE          write the log as the window&apos;s &quot;save as text&quot; writes it
  --timestamps        print each line after its number, the time its transfer started
                      and how long it took (the window&apos;s time column); --log too
  --csv FILE          write the log as the window&apos;s CSV export writes it: a row per
                      line with its time, duration, settings, hex and text
  --vcd FILE          write every transfer of the run to a VCD file (signals cs, sck,
                      mosi, miso), one after another on one time axis, each with its
                      own settings, for logic-analyser programs such as PulseView
  --expect FILE       compare the log line by line with FILE, where XX in a byte
                      position matches any byte; the first difference ends the run
  --strict            refuse a list whose write data holds hex tokens that are not
                      sent as written (no hex number, or wider than a byte) instead
                      of warning about each
  --junit FILE        also write a JUnit XML report: a test case for each adapter
  --help              this text

Before anything is sent the list is checked, and refused (exit code 3) when it has no
rows or a row has an unknown operation, a select field other than 0 or 1, a count or
delay that is not a whole number from 0 to 2147483647, or is write-read in slave mode.

Flash (the bus options choose the adapter and chip select; any master mode works):
  id                  identify the chip: maker, part, size, page and erase sizes
  read FILE           read the chip, or --offset and --length of it, into FILE
  write FILE          write FILE at --offset: read first, erase and program only what
                      differs, then read the written range back and compare
  verify FILE         compare the chip at --offset with FILE
  erase               erase --offset and --length (whole erase units), or the chip
  --offset N          where the range starts (0); numbers are decimal or 0x hex, with
                      K or M for KiB or MiB
  --length N          bytes of the range (default: up to the chip&apos;s end)
  --size N            the size of a chip that neither its SFDP tables nor the
                      built-in table describe (read and verify only)
  --unprotect         clear the block protection over the range first
  --no-verify         do not read the written range back
  --chip-erase        one chip erase: the whole chip (erase), or first (write)
Progress goes to standard error when it is a terminal. With several adapters, flash
read, --log, --csv and --vcd write a file each, the adapter&apos;s index before the file&apos;s
extension.

Exit codes: 0 success; 1 a transfer or the preparation failed (the window&apos;s warning on
standard error), or a flash chip stayed busy too long; 2 the log differs from the
expected one, or a flash verify found a difference (its first address on standard
error); 3 bad usage, an unreadable or refused list file, an unreadable expected or image
file, a file or standard output that cannot be written, or a missing adapter library or
entry; 4 no flash chip answered, a write to a chip the program does not know, or a
protected range; 130 Ctrl+C (SIGINT) cut the run short; 143 SIGTERM did: standard error
says how far it got and --log ends with a line saying so. Ctrl+C ending --cycles 0 after
its pass is success. With several adapters: the highest of their codes.

The adapter library libTELKOR.so is loaded from the program&apos;s directory first, then from
the loader&apos;s search path.
</translation>
    </message>
    <message>
        <source>1 row</source>
        <translation>1 row</translation>
    </message>
    <message>
        <source>%1 rows</source>
        <translation>%1 rows</translation>
    </message>
    <message>
        <source>%1 of %2 passes done</source>
        <translation>%1 of %2 passes done</translation>
    </message>
    <message>
        <source>1 pass done</source>
        <translation>1 pass done</translation>
    </message>
    <message>
        <source>%1 passes done</source>
        <translation>%1 passes done</translation>
    </message>
    <message>
        <source>kavris-run: terminated after %1 (%2)</source>
        <translation>kavris-run: terminated after %1 (%2)</translation>
    </message>
    <message>
        <source>kavris-run: interrupted after %1 (%2)</source>
        <translation>kavris-run: interrupted after %1 (%2)</translation>
    </message>
    <message>
        <source># terminated after %1</source>
        <translation># terminated after %1</translation>
    </message>
    <message>
        <source># interrupted after %1</source>
        <translation># interrupted after %1</translation>
    </message>
    <message>
        <source>kavris-run: cannot write standard output</source>
        <translation>kavris-run: cannot write standard output</translation>
    </message>
</context>
</TS>
