<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="zh_CN">
<!-- One table keyed by the Chinese texts: every class finds its texts in the context "Corvane". -->
<context>
    <name>Corvane</name>
    <message>
        <source>我的</source>
        <translation>My </translation>
    </message>
    <message>
        <source>垃圾清理</source>
        <translation>Junk Clean</translation>
    </message>
    <message>
        <source>系统优化</source>
        <translation>Optimise</translation>
    </message>
    <message>
        <source>开机启动项</source>
        <translation>Startup Items</translation>
    </message>
    <message>
        <source>内存优化</source>
        <translation>Memory</translation>
    </message>
    <message>
        <source>进程管理</source>
        <translation>Processes</translation>
    </message>
    <message>
        <source>程序管理</source>
        <translation>Applications</translation>
    </message>
    <message>
        <source>应用卸载</source>
        <translation>Uninstall Apps</translation>
    </message>
    <message>
        <source>插件卸载</source>
        <translation>Plug-ins</translation>
    </message>
    <message>
        <source>配置文件</source>
        <translation>Preference Files</translation>
    </message>
    <message>
        <source>工具大全</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>重复文件查找</source>
        <translation>Duplicate Files</translation>
    </message>
    <message>
        <source>大文件清理</source>
        <translation>Large Files</translation>
    </message>
    <message>
        <source>系统信息</source>
        <translation>System Info</translation>
    </message>
    <message>
        <source>关于Corvane Tidewell</source>
        <translation>About Corvane Tidewell</translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation>Check for Updates</translation>
    </message>
    <message>
        <source>退出Corvane Tidewell</source>
        <translation>Quit Corvane Tidewell</translation>
    </message>
    <message>
        <source>本程序必须放在/Applications文件夹中执行</source>
        <translation>This program must be run from an Applications folder.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>此文件的内容与保留的文件不同。仍要删除吗？</source>
        <translation>This file's content differs from the copy that stays. Delete it anyway?</translation>
    </message>
    <message>
        <source>无法完整比较此文件与保留的文件。仍要删除吗？</source>
        <translation>This file could not be fully compared with the copy that stays. Delete it anyway?</translation>
    </message>
    <message>
        <source>官方网站</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>菜单</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>QQ群</source>
        <translation>Chat group</translation>
    </message>
    <message>
        <source>QQ群号%1已复制到剪贴板，欢迎加入我们的QQ群！</source>
        <translation>The chat group number %1 has been copied to the clipboard. Welcome to our group!</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>缩放</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>正在加载...</source>
        <translation>Loading...</translation>
    </message>
</context>
</TS>
