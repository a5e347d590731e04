<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<!-- The texts whose keys are English (the hardware profiler's), for Chinese readers; every
     other key is Chinese already and shows as it is. -->
<context>
    <name>Corvane</name>
    <message>
        <source>System Information</source>
        <translation>系统信息</translation>
    </message>
    <message>
        <source>Show basic information about your Mac computer, allowing you to better understand</source>
        <translation>显示电脑的基本信息，让您更好地了解它</translation>
    </message>
    <message>
        <source>Displays</source>
        <translation>显示器</translation>
    </message>
    <message>
        <source>Hard disk</source>
        <translation>硬盘</translation>
    </message>
    <message>
        <source>Available</source>
        <translation>可用</translation>
    </message>
    <message>
        <source>Altogether</source>
        <translation>共</translation>
    </message>
    <message>
        <source>CPU temperature</source>
        <translation>CPU温度</translation>
    </message>
    <message>
        <source>Fan speed</source>
        <translation>风扇转速</translation>
    </message>
    <message>
        <source>Model Name</source>
        <translation>型号名称</translation>
    </message>
    <message>
        <source>Model Identifier</source>
        <translation>型号标识符</translation>
    </message>
    <message>
        <source>Processor Name</source>
        <translation>处理器名称</translation>
    </message>
    <message>
        <source>Processor Speed</source>
        <translation>处理器速度</translation>
    </message>
    <message>
        <source>Number of Processors</source>
        <translation>处理器数目</translation>
    </message>
    <message>
        <source>Total Number of Cores</source>
        <translation>核总数</translation>
    </message>
    <message>
        <source>L2 Cache</source>
        <translation>二级缓存</translation>
    </message>
    <message>
        <source>L2 Cache (per Core)</source>
        <translation>二级缓存（每个核）</translation>
    </message>
    <message>
        <source>L3 Cache</source>
        <translation>三级缓存</translation>
    </message>
    <message>
        <source>Memory</source>
        <translation>内存</translation>
    </message>
    <message>
        <source>Boot ROM Version</source>
        <translation>固件版本</translation>
    </message>
    <message>
        <source>Hardware UUID</source>
        <translation>硬件 UUID</translation>
    </message>
    <message>
        <source>Chipset Model</source>
        <translation>芯片组型号</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Bus</source>
        <translation>总线</translation>
    </message>
    <message>
        <source>VRAM (Dynamic, Max)</source>
        <translation>显存（动态，最大值）</translation>
    </message>
    <message>
        <source>Vendor</source>
        <translation>供应商</translation>
    </message>
    <message>
        <source>Device ID</source>
        <translation>设备 ID</translation>
    </message>
    <message>
        <source>Revision ID</source>
        <translation>修订版 ID</translation>
    </message>
    <message>
        <source>Display Type</source>
        <translation>显示器类型</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>分辨率</translation>
    </message>
    <message>
        <source>Pixel Depth</source>
        <translation>像素深度</translation>
    </message>
    <message>
        <source>Main Display</source>
        <translation>主显示器</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>镜像</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>联机</translation>
    </message>
    <message>
        <source>Built-In</source>
        <translation>内建</translation>
    </message>
    <message>
        <source>BSD Name</source>
        <translation>设备名称</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>型号</translation>
    </message>
    <message>
        <source>Capacity</source>
        <translation>容量</translation>
    </message>
    <message>
        <source>Medium Type</source>
        <translation>介质类型</translation>
    </message>
    <message>
        <source>Rotational Rate</source>
        <translation>转速</translation>
    </message>
</context>
</TS>
